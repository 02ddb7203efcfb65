// Height field: coloured by height (water, sand, grass, rock, snow) and lit by light 0 with the
// normal of the raised surface, taken from the screen-space change of its position.
#version 120

varying vec3 eyePosition;
varying float height;

// Only a share of the engine's strong fixed-function ambient term, so the slopes show.
const float AMBIENT_SHARE = 0.3;

vec3 HeightColor(float h)
{
    const vec3 WATER = vec3(0.10, 0.28, 0.55);
    const vec3 SAND = vec3(0.78, 0.72, 0.50);
    const vec3 GRASS = vec3(0.28, 0.55, 0.20);
    const vec3 ROCK = vec3(0.46, 0.41, 0.36);
    const vec3 SNOW = vec3(0.95, 0.95, 0.97);
    if (h < 0.15)
    {
        return mix(WATER, SAND, smoothstep(0.11, 0.15, h));
    }
    if (h < 0.45)
    {
        return mix(SAND, GRASS, smoothstep(0.15, 0.22, h));
    }
    if (h < 0.75)
    {
        return mix(GRASS, ROCK, smoothstep(0.45, 0.6, h));
    }
    return mix(ROCK, SNOW, smoothstep(0.75, 0.85, h));
}

void main()
{
    vec3 n = cross(dFdx(eyePosition), dFdy(eyePosition));
    n = dot(n, n) > 0.0 ? normalize(n) : vec3(0.0, 0.0, 1.0);
    vec4 lightPosition = gl_LightSource[0].position;
    vec3 toLight = lightPosition.xyz - eyePosition * lightPosition.w;
    toLight = dot(toLight, toLight) > 0.0 ? normalize(toLight) : vec3(0.0, 0.0, 1.0);
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 ambient = AMBIENT_SHARE * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    vec3 light = ambient + gl_LightSource[0].diffuse.rgb * diffuse;
    gl_FragColor = vec4(HeightColor(height) * gl_Color.rgb * light, gl_Color.a);
}
