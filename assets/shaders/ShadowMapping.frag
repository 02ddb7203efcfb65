// Shadow mapping: light 0 lights the vertex colour where the depth map on unit 1 sees the pixel;
// in its shadow only the ambient term remains. Pixels outside the light's view are lit.
#version 110

uniform sampler2DShadow shadowMap;  // unit 1, compared against the depth in texture space

varying vec3 eyePosition;
varying vec3 normal;
varying vec4 shadowCoord;

// Only a share of the engine's strong fixed-function ambient term, so shadows stay readable.
const float AMBIENT_SHARE = 0.3;
const float SHININESS = 32.0;

float Visibility()
{
    if (shadowCoord.w <= 0.0)
    {
        return 1.0;
    }
    vec3 projected = shadowCoord.xyz / shadowCoord.w;
    if (any(lessThan(projected, vec3(0.0))) || any(greaterThan(projected, vec3(1.0))))
    {
        return 1.0;
    }
    return shadow2DProj(shadowMap, shadowCoord).r;
}

void main()
{
    float normalLength = length(normal);
    vec3 n = normalLength > 1.0e-6 ? normal / normalLength : vec3(0.0);
    if (!gl_FrontFacing)
    {
        n = -n;
    }
    vec4 lightPosition = gl_LightSource[0].position;
    vec3 toLight = lightPosition.xyz - eyePosition * lightPosition.w;
    toLight = dot(toLight, toLight) > 0.0 ? normalize(toLight) : vec3(0.0, 0.0, 1.0);
    vec3 toEye =
        dot(eyePosition, eyePosition) > 0.0 ? normalize(-eyePosition) : vec3(0.0, 0.0, 1.0);
    float diffuse = max(dot(n, toLight), 0.0);
    float specular =
        diffuse > 0.0 ? pow(max(dot(n, normalize(toLight + toEye)), 0.0), SHININESS) : 0.0;

    float visible = Visibility();
    vec3 ambient = AMBIENT_SHARE * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    vec3 lit = gl_Color.rgb * (ambient + visible * diffuse * gl_LightSource[0].diffuse.rgb) +
               visible * specular * gl_LightSource[0].specular.rgb;
    gl_FragColor = vec4(lit, gl_Color.a);
}
