// Directional diffuse light per pixel on the vertex colour. Light 0's position is taken as the
// direction towards the light, so every surface facing the same way is lit the same.
#version 110

varying vec3 normal;

// The engine's lights carry a strong ambient term meant for the fixed-function path; only a share
// of it is taken, so the diffuse term still shapes the surface.
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
    gl_FragColor = vec4(gl_Color.rgb * light, gl_Color.a);
}
