// Directional diffuse light per pixel on the texel of unit 0 times the vertex colour; light 0's
// position is the direction towards the light.
#version 110

uniform sampler2D colorMap;  // unit 0

varying vec3 normal;

// Only a share of the engine's strong fixed-function ambient term, so the diffuse term shows.
const float AMBIENT_SHARE = 0.3;

void main()
{
    float normalLength = length(normal);
    vec3 n = normalLength > 1.0e-6 ? normal / normalLength : vec3(0.0);
    if (!gl_FrontFacing)
    {
        n = -n;
    }
    vec3 toLight = normalize(gl_LightSource[0].position.xyz);
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 ambient = AMBIENT_SHARE * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    vec3 light = ambient + gl_LightSource[0].diffuse.rgb * diffuse;
    vec4 base = texture2D(colorMap, gl_TexCoord[0].st) * gl_Color;
    gl_FragColor = vec4(base.rgb * light, base.a);
}
