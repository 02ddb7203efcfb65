// Directional diffuse light evaluated per vertex; the texture of unit 0 is applied per pixel.
#version 110

// Only a share of the engine's strong fixed-function ambient term, so the diffuse term shows.
const float AMBIENT_SHARE = 0.3;

vec4 Lit(vec3 n)
{
    vec3 toLight = normalize(gl_LightSource[0].position.xyz);
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 ambient = AMBIENT_SHARE * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    return vec4(gl_Color.rgb * (ambient + gl_LightSource[0].diffuse.rgb * diffuse), gl_Color.a);
}

void main()
{
    vec3 n = gl_NormalMatrix * gl_Normal;
    n = dot(n, n) > 1.0e-12 ? normalize(n) : vec3(0.0);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = Lit(n);
    gl_BackColor = Lit(-n);
    gl_Position = ftransform();
}
