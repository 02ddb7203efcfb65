// Spot light 0 per pixel on the vertex colour: diffuse and a Blinn highlight inside the light's
// cone, with a soft rim at the cut-off and the light's spot exponent and attenuation. A light
// whose cut-off is 180 degrees (the default) shines in every direction.
#version 110

varying vec3 eyePosition;
varying vec3 normal;

// Only a share of the engine's strong fixed-function ambient term, so the diffuse term shows.
const float AMBIENT_SHARE = 0.3;
// Used when the material leaves the shininess at its default 0, which would light every pixel.
const float DEFAULT_SHININESS = 32.0;
// Width of the soft rim inside the cone, in cosine units.
const float CONE_RIM = 0.03;

float SpotFactor(vec3 toLight)
{
    float cosCutoff = gl_LightSource[0].spotCosCutoff;
    if (cosCutoff <= -1.0 + 1.0e-6)
    {
        return 1.0;
    }
    float cosAngle = dot(-toLight, normalize(gl_LightSource[0].spotDirection));
    float cone = smoothstep(cosCutoff, cosCutoff + CONE_RIM, cosAngle);
    // pow is undefined for 0 to the power 0, the default exponent.
    return cosAngle > 0.0 ? cone * pow(cosAngle, gl_LightSource[0].spotExponent) : 0.0;
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
    float lightDistance = length(toLight);
    toLight = lightDistance > 0.0 ? toLight / lightDistance : vec3(0.0, 0.0, 1.0);
    float attenuation = 1.0;
    if (lightPosition.w != 0.0)
    {
        float falloff = gl_LightSource[0].constantAttenuation +
                        gl_LightSource[0].linearAttenuation * lightDistance +
                        gl_LightSource[0].quadraticAttenuation * lightDistance * lightDistance;
        attenuation = SpotFactor(toLight) / max(falloff, 1.0e-4);
    }

    float diffuse = max(dot(n, toLight), 0.0);
    vec3 toEye =
        dot(eyePosition, eyePosition) > 0.0 ? normalize(-eyePosition) : vec3(0.0, 0.0, 1.0);
    float shininess = gl_FrontMaterial.shininess > 0.0 ? gl_FrontMaterial.shininess
                                                        : DEFAULT_SHININESS;
    float specular = diffuse > 0.0 ? pow(max(dot(n, normalize(toLight + toEye)), 0.0), shininess)
                                   : 0.0;

    vec3 ambient = AMBIENT_SHARE * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    vec3 lit = gl_Color.rgb * (ambient + attenuation * diffuse * gl_LightSource[0].diffuse.rgb) +
               attenuation * specular * gl_LightSource[0].specular.rgb;
    gl_FragColor = vec4(lit, gl_Color.a);
}
