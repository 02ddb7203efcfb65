// Parallax occlusion mapping: the view ray is marched down through the height map until it meets
// the relief, and the colour map is read where it hits. The relief is lit by light 0 with normals
// taken from the height map, shadowed by its own bumps, and darkened in its hollows.
#version 130

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
// The march takes more, shorter steps the flatter the view: from MIN_STEPS looking straight at
// the face to MAX_STEPS along it. Each step is one read of the height map, the cost that matters.
const float MIN_STEPS = 4.0;
const float MAX_STEPS = 10.0;
const int REFINE_STEPS = 3;
const int SHADOW_STEPS = 4;
// Keeps the march short at grazing angles, where the offset would otherwise grow without bound.
const float MIN_SLOPE = 0.2;
// Distance between the height samples that give the relief's normal, in texture coordinates.
const float NORMAL_SPAN = 1.0 / 256.0;
// How strongly a bump between the hit and the light darkens it.
const float SHADOW_HARDNESS = 6.0;
// Only a share of the engine's strong fixed-function ambient term, so the relief's lighting shows.
const float AMBIENT_SHARE = 0.3;
const float SHININESS = 32.0;

// The march reads the height map many times per pixel, so each read is a plain bilinear blend of
// four texels of the full-size map: the anisotropic filtering the textures may be loaded with
// costs a software renderer many times that per read. The colour map, read once, keeps it.
float ReadHeight(vec2 uv)
{
    ivec2 size = textureSize(HeightTexture, 0);
    vec2 position = uv * vec2(size) - 0.5;
    vec2 base = floor(position);
    vec2 f = position - base;
    ivec2 i0 = ivec2(base);
    // Repeat wrapping, as the texture is set up.
    ivec2 a = ivec2(mod(vec2(i0), vec2(size)));
    ivec2 b = ivec2(mod(vec2(i0 + 1), vec2(size)));
    float h00 = texelFetch(HeightTexture, a, 0).r;
    float h10 = texelFetch(HeightTexture, ivec2(b.x, a.y), 0).r;
    float h01 = texelFetch(HeightTexture, ivec2(a.x, b.y), 0).r;
    float h11 = texelFetch(HeightTexture, b, 0).r;
    return mix(mix(h00, h10, f.x), mix(h01, h11, f.x), f.y);
}

// Marches the view ray (tangent space, pointing to the eye) from the top of the relief down and
// returns the texture coordinate where it meets the height map; depth is where it met, 0 to 1.
// A coarse march finds the first sample below the relief; a few halvings between it and the
// sample before pin the crossing down, so few steps still give clean edges.
vec2 FindHit(vec2 uv, vec3 view, out float depth)
{
    float steps = floor(mix(MAX_STEPS, MIN_STEPS, view.z));
    float layer = 1.0 / steps;
    // The whole way from the top of the relief to its bottom, in texture coordinates.
    vec2 descent = -view.xy / max(view.z, MIN_SLOPE) * RELIEF_DEPTH;
    float above = 0.0;  // deepest ray depth known to be above the relief
    float below = 1.0;  // shallowest ray depth known to be below it
    float aboveGap = 1.0 - ReadHeight(uv);
    if (aboveGap <= 0.0)
    {
        depth = 0.0;
        return uv;
    }
    float belowGap = 0.0;
    for (int i = 1; i <= int(MAX_STEPS); ++i)
    {
        float ray = float(i) * layer;
        float gap = (1.0 - ReadHeight(uv + descent * ray)) - ray;
        if (gap <= 0.0 || float(i) >= steps)
        {
            below = ray;
            belowGap = min(gap, 0.0);
            break;
        }
        above = ray;
        aboveGap = gap;
    }
    for (int i = 0; i < REFINE_STEPS; ++i)
    {
        float middle = 0.5 * (above + below);
        float gap = (1.0 - ReadHeight(uv + descent * middle)) - middle;
        if (gap > 0.0)
        {
            above = middle;
            aboveGap = gap;
        }
        else
        {
            below = middle;
            belowGap = gap;
        }
    }
    // Within the last interval the crossing lies where the two gaps balance.
    float weight = aboveGap / max(aboveGap - belowGap, 1.0e-6);
    depth = mix(above, below, clamp(weight, 0.0, 1.0));
    return uv + descent * depth;
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

// From the height at the hit (known from the march) and two reads beside it.
vec3 ReliefNormal(vec2 uv, float height)
{
    float right = ReadHeight(uv + vec2(NORMAL_SPAN, 0.0));
    float up = ReadHeight(uv + vec2(0.0, NORMAL_SPAN));
    float slope = RELIEF_DEPTH / NORMAL_SPAN;
    return normalize(vec3((height - right) * slope, (height - up) * slope, 1.0));
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
    vec3 l = dot(toLight, toLight) > 0.0 ? normalize(toLight) : vec3(0.0);
    float diffuse = max(dot(n, l), 0.0);
    return vec4(base.rgb * (Ambient() + diffuse * gl_LightSource[0].diffuse.rgb), base.a);
}

void main()
{
    vec2 uv = gl_TexCoord[0].st;

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
    vec4 base = texture2D(testTexture, hit) * gl_Color;
    vec3 n = ReliefNormal(hit, 1.0 - depth);

    // A face turned away from the light gets none, whatever its bumps say.
    float facing = smoothstep(0.0, 0.05, light.z);
    float diffuse = max(dot(n, light), 0.0) * facing;
    float specular =
        diffuse > 0.0 ? pow(max(dot(n, normalize(light + view)), 0.0), SHININESS) : 0.0;
    float shadow = SelfShadow(hit, depth, light);
    // Hollows see less of the sky than the tops of the bumps.
    float cavity = mix(1.0, 0.55, depth);

    vec3 lit = base.rgb * (Ambient() * cavity + diffuse * shadow * gl_LightSource[0].diffuse.rgb) +
               specular * shadow * facing * gl_LightSource[0].specular.rgb;
    gl_FragColor = vec4(lit, base.a);
}
