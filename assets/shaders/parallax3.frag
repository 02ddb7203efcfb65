// Parallax occlusion mapping: the view ray is marched down through the height map until it meets
// the relief, and the colour map is read where it hits. The relief is lit by light 0 with normals
// taken from the height map, shadowed by its own bumps, and darkened in its hollows.
#version 110
#ifdef GL_ARB_shader_texture_lod
#extension GL_ARB_shader_texture_lod : enable
#endif

uniform sampler2D testTexture;    // colour map, unit 0
uniform sampler2D HeightTexture;  // height map, unit 1: white is the top of the relief
// Camera position in world space. The vertex shader derives the camera in model space from the
// modelview matrix instead, which stays right when the entity is moved, turned or scaled.
uniform vec4 Eye;
uniform vec4 Tangent;   // model space, the way u grows across the face
uniform vec4 Normal;    // model space
uniform vec4 BiNormal;  // model space, the way v falls across the face

varying vec3 toEye;
varying vec3 toLight;
varying vec3 vertexNormal;

// Depth of the relief from its top to its bottom, in texture-coordinate units.
const float RELIEF_DEPTH = 0.05;
const int SEARCH_STEPS = 24;
const int SHADOW_STEPS = 8;
// Keeps the march short at grazing angles, where the offset would otherwise grow without bound.
const float MIN_SLOPE = 0.2;
// Distance between the height samples that give the relief's normal, in texture coordinates.
const float NORMAL_SPAN = 1.0 / 256.0;
// How strongly a bump between the hit and the light darkens it.
const float SHADOW_HARDNESS = 6.0;
// Only a share of the engine's strong fixed-function ambient term, so the relief's lighting shows.
const float AMBIENT_SHARE = 0.3;
const float SHININESS = 32.0;

// Gradients of the undisplaced coordinates, so reads at marched positions keep a steady filter
// level instead of jumping where the hit point jumps.
vec2 gradX;
vec2 gradY;

vec4 ReadColor(vec2 uv)
{
#ifdef GL_ARB_shader_texture_lod
    return texture2DGradARB(testTexture, uv, gradX, gradY);
#else
    return texture2D(testTexture, uv);
#endif
}

float ReadHeight(vec2 uv)
{
#ifdef GL_ARB_shader_texture_lod
    return texture2DGradARB(HeightTexture, uv, gradX, gradY).r;
#else
    return texture2D(HeightTexture, uv).r;
#endif
}

// Marches the view ray (tangent space, pointing to the eye) from the top of the relief down and
// returns the texture coordinate where it meets the height map; depth is where it met, 0 to 1.
vec2 FindHit(vec2 uv, vec3 view, out float depth)
{
    float layer = 1.0 / float(SEARCH_STEPS);
    vec2 stride = -view.xy / max(view.z, MIN_SLOPE) * RELIEF_DEPTH * layer;
    float previousGap = 1.0 - ReadHeight(uv);
    vec2 hit = uv + stride * float(SEARCH_STEPS);
    depth = 1.0;
    bool found = previousGap <= 0.0;
    if (found)
    {
        hit = uv;
        depth = 0.0;
    }
    for (int i = 1; i <= SEARCH_STEPS; ++i)
    {
        float ray = float(i) * layer;
        vec2 place = uv + stride * float(i);
        float gap = (1.0 - ReadHeight(place)) - ray;
        if (!found && gap <= 0.0)
        {
            // Between the last sample above the relief and the first below it, the crossing lies
            // where the two gaps balance.
            float weight = clamp(previousGap / (previousGap - gap), 0.0, 1.0);
            hit = place - stride * (1.0 - weight);
            depth = ray - layer * (1.0 - weight);
            found = true;
        }
        previousGap = gap;
    }
    return hit;
}

// 1 where the light reaches the hit point, less where a bump of the relief stands in its way.
float SelfShadow(vec2 uv, float depth, vec3 light)
{
    if (light.z <= 0.0 || depth <= 0.0)
    {
        return 1.0;
    }
    vec2 toTop = light.xy / max(light.z, MIN_SLOPE) * RELIEF_DEPTH * depth;
    float blocked = 0.0;
    for (int i = 1; i <= SHADOW_STEPS; ++i)
    {
        float along = float(i) / float(SHADOW_STEPS);
        float ray = depth * (1.0 - along);
        float surface = 1.0 - ReadHeight(uv + toTop * along);
        blocked = max(blocked, (ray - surface) * SHADOW_HARDNESS * (1.0 - along));
    }
    return 1.0 - clamp(blocked, 0.0, 1.0);
}

vec3 ReliefNormal(vec2 uv)
{
    float left = ReadHeight(uv - vec2(NORMAL_SPAN, 0.0));
    float right = ReadHeight(uv + vec2(NORMAL_SPAN, 0.0));
    float down = ReadHeight(uv - vec2(0.0, NORMAL_SPAN));
    float up = ReadHeight(uv + vec2(0.0, NORMAL_SPAN));
    float slope = RELIEF_DEPTH / (2.0 * NORMAL_SPAN);
    return normalize(vec3((left - right) * slope, (down - up) * slope, 1.0));
}

vec3 Ambient()
{
    return AMBIENT_SHARE * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
}

// Faces without a usable tangent frame (triangles, degenerate coordinates, seen from behind):
// the colour map under plain diffuse light.
vec4 Flat(vec2 uv, vec3 n)
{
    vec4 base = texture2D(testTexture, uv) * gl_Color;
    float diffuse = max(dot(n, normalize(toLight)), 0.0);
    return vec4(base.rgb * (Ambient() + diffuse * gl_LightSource[0].diffuse.rgb), base.a);
}

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    gradX = dFdx(uv);
    gradY = dFdy(uv);

    vec3 tangent = Tangent.xyz;
    vec3 bitangent = -BiNormal.xyz;
    vec3 normal = Normal.xyz;
    vec3 view = vec3(dot(toEye, tangent), dot(toEye, bitangent), dot(toEye, normal));
    bool framed = dot(tangent, tangent) > 0.25 && dot(bitangent, bitangent) > 0.25 &&
                  dot(normal, normal) > 0.25 && dot(toEye, toEye) > 0.0;
    if (!framed || view.z <= 0.0)
    {
        vec3 n = dot(vertexNormal, vertexNormal) > 0.0 ? normalize(vertexNormal) : normal;
        gl_FragColor = Flat(uv, gl_FrontFacing ? n : -n);
        return;
    }
    view = normalize(view);
    vec3 light = vec3(dot(toLight, tangent), dot(toLight, bitangent), dot(toLight, normal));
    light = dot(light, light) > 0.0 ? normalize(light) : vec3(0.0, 0.0, 1.0);

    float depth;
    vec2 hit = FindHit(uv, view, depth);
    vec4 base = ReadColor(hit) * gl_Color;
    vec3 n = ReliefNormal(hit);

    // A face turned away from the light gets none, whatever its bumps say.
    float facing = smoothstep(0.0, 0.05, light.z);
    float diffuse = max(dot(n, light), 0.0) * facing;
    float specular = diffuse > 0.0 ? pow(max(dot(n, normalize(light + view)), 0.0), SHININESS) : 0.0;
    float shadow = SelfShadow(hit, depth, light);
    // Hollows see less of the sky than the tops of the bumps.
    float cavity = mix(1.0, 0.55, depth);

    vec3 lit = base.rgb * (Ambient() * cavity + diffuse * shadow * gl_LightSource[0].diffuse.rgb) +
               specular * shadow * facing * gl_LightSource[0].specular.rgb;
    gl_FragColor = vec4(lit, base.a);
}
