// Toon shading: light 0's diffuse term cut into four flat bands of the vertex colour, a hard
// white highlight, and a dark rim where the surface turns away from the eye.
#version 110

varying vec3 eyePosition;
varying vec3 normal;

const float HIGHLIGHT_THRESHOLD = 0.97;
const float HIGHLIGHT_SHININESS = 48.0;
const float OUTLINE_THRESHOLD = 0.12;
const vec3 OUTLINE_COLOR = vec3(0.05, 0.05, 0.08);

float Band(float intensity)
{
    if (intensity > 0.85)
    {
        return 1.0;
    }
    if (intensity > 0.5)
    {
        return 0.72;
    }
    if (intensity > 0.2)
    {
        return 0.48;
    }
    return 0.28;
}

void main()
{
    float normalLength = length(normal);
    vec3 n = normalLength > 1.0e-6 ? normal / normalLength : vec3(0.0, 0.0, 1.0);
    if (!gl_FrontFacing)
    {
        n = -n;
    }
    vec4 lightPosition = gl_LightSource[0].position;
    vec3 toLight = lightPosition.xyz - eyePosition * lightPosition.w;
    toLight = dot(toLight, toLight) > 0.0 ? normalize(toLight) : vec3(0.0, 0.0, 1.0);
    vec3 toEye =
        dot(eyePosition, eyePosition) > 0.0 ? normalize(-eyePosition) : vec3(0.0, 0.0, 1.0);

    if (dot(n, toEye) < OUTLINE_THRESHOLD)
    {
        gl_FragColor = vec4(OUTLINE_COLOR, gl_Color.a);
        return;
    }
    float diffuse = max(dot(n, toLight), 0.0);
    float highlight = pow(max(dot(n, normalize(toLight + toEye)), 0.0), HIGHLIGHT_SHININESS);
    vec3 color = gl_Color.rgb * Band(diffuse);
    if (diffuse > 0.0 && highlight > HIGHLIGHT_THRESHOLD)
    {
        color = vec3(1.0);
    }
    gl_FragColor = vec4(color, gl_Color.a);
}
