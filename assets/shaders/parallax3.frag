// Parallax occlusion mapping: the view ray is marched down through the height map until it meets
// the relief, and the colour map is read where it hits. The relief is lit by light 0 with normals
// taken from the height map, shadowed by its own bumps, and darkened in its hollows.
#version 130
// Fine and coarse screen-space derivatives, for the colour-map read; without them it reads where
// the ray hits and pays for the filter's extra probes.
#extension GL_ARB_derivative_control : enable

uniform sampler2D testTexture;    // colour map, unit 0
// Height map, unit 1: white is the top of the relief. The engine packs it at load time: red is
// a texel's height, green, blue and alpha those of the texels to its right, above it and above
// right, so that one fetch gives the four texels a bilinear blend needs.
uniform sampler2D HeightTexture;

// From the vertex program. A software renderer reads a uniform once for every pixel, so whatever
// is the same across the face arrives here as a flat input instead.
in vec3 eyeDirection;    // tangent space, towards the camera
in vec3 lightDirection;  // tangent space, towards light 0
in vec3 toLight;       // model space, for faces lit without a tangent frame
in vec3 vertexNormal;  // model space, likewise
flat in float framed;  // 1 where the face's tangent frame is usable
flat in vec3 faceNormal;
flat in vec3 ambientLight;  // the share of the ambient light the relief gets
flat in vec3 diffuseLight;
flat in vec3 specularLight;

// Depth of the relief from its top to its bottom, in texture-coordinate units.
const float RELIEF_DEPTH = 0.05;
// The coarse search takes more, shorter steps the flatter the view: from MIN_STEPS looking
// straight at the face to MAX_STEPS along it, never more than the pixels the ray crosses.
const float MIN_STEPS = 4.0;
const float MAX_STEPS = 10.0;
// Halvings of the last coarse step, then the crossing is interpolated within what is left.
const int REFINE_STEPS = 2;
const int SHADOW_STEPS = 4;
// Keeps the march short at grazing angles, where the offset would otherwise grow without bound.
const float MIN_SLOPE = 0.2;
// Distance between the height samples that give the relief's normal, in texture coordinates.
const float NORMAL_SPAN = 1.0 / 256.0;
// How strongly a bump between the hit and the light darkens it.
const float SHADOW_HARDNESS = 6.0;
const int SHININESS_SQUARINGS = 5;  // a shininess of 2^5 = 32
// How much faster than the texture coordinate the colour map's read may move across a 2 x 2
// block of pixels before the relief's offset is held to the block's first pixel.
const float MAX_OFFSET_SPREAD = 1.0;

vec2 heightSize;  // texels of the height map's full-size level, read once per pixel

// The nearest texel: enough for the coarse search, which only has to bracket the crossing, and
// for the self-shadow, whose samples only ever darken by a blend. The map repeats; where a read
// falls in it comes from the fraction of uv, since a remainder would cost a division.
float ReadTexel(vec2 uv)
{
    vec2 texel = min(fract(uv) * heightSize, heightSize - 1.0);
    return texelFetch(HeightTexture, ivec2(texel), 0).r;
}

// The bilinear blend of the four texels around uv, from the one texel that holds them.
float ReadHeight(vec2 uv)
{
    vec2 position = fract(uv) * heightSize - 0.5;
    vec2 base = floor(position);  // -1 to the last texel
    vec2 f = position - base;
    base = mix(base, base + heightSize, lessThan(base, vec2(0.0)));
    vec4 corners = texelFetch(HeightTexture, ivec2(base), 0);
    return mix(mix(corners.r, corners.g, f.x), mix(corners.b, corners.a, f.x), f.y);
}

// Height-map texels per screen pixel at uv: the footprint the mipmap level is chosen by. Taken
// where every pixel of the block runs the same code, as screen-space derivatives require.
float TexelFootprint(vec2 uv)
{
    vec2 texels = uv * heightSize;
    return sqrt(max(dot(dFdx(texels), dFdx(texels)), dot(dFdy(texels), dFdy(texels))));
}

// Coarse steps for a ray that moves the read by `descent` from the top of the relief to its
// bottom; 0 where that move stays under a pixel, so the relief cannot show as an offset.
float CoarseSteps(vec3 view, vec2 descent, float footprint)
{
    float pixels = length(descent * heightSize) / max(footprint, 1.0e-6);
    return pixels < 1.0 ? 0.0 : min(floor(mix(MAX_STEPS, MIN_STEPS, view.z)), ceil(pixels));
}

// Marches the view ray (tangent space, pointing to the eye) from the top of the relief down and
// returns the texture coordinate where it meets the height map; depth is where it met, 0 to 1.
vec2 FindHit(vec2 uv, vec3 view, float footprint, out float depth)
{
    // The whole way from the top of the relief to its bottom, in texture coordinates.
    vec2 descent = -view.xy / max(view.z, MIN_SLOPE) * RELIEF_DEPTH;
    float steps = CoarseSteps(view, descent, footprint);
    float gap = 1.0 - ReadHeight(uv);  // height of the ray above the relief; 0 or less: met
    if (steps < 1.0 || gap <= 0.0)
    {
        // The top of the relief, or a relief too small on screen to shift: read in place.
        depth = max(gap, 0.0);
        return uv;
    }
    // Coarse steps down to the first sample below the relief. The last step reaches the bottom,
    // which no relief is under, so the loop stops early exactly where the ray meets a bump.
    float layer = 1.0 / steps;
    float ray = 0.0;
    float aboveGap = gap;
    int count = int(steps);
    for (int i = 1; i <= count && gap > 0.0; ++i)
    {
        aboveGap = gap;
        ray = float(i) * layer;
        gap = (1.0 - ReadTexel(uv + descent * ray)) - ray;
    }
    float above = ray - layer;
    float below = ray;
    float belowGap = min(gap, 0.0);
    for (int i = 0; i < REFINE_STEPS; ++i)
    {
        float middle = 0.5 * (above + below);
        float middleGap = (1.0 - ReadHeight(uv + descent * middle)) - middle;
        bool over = middleGap > 0.0;
        above = over ? middle : above;
        aboveGap = over ? middleGap : aboveGap;
        below = over ? below : middle;
        belowGap = over ? belowGap : middleGap;
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
        float surface = 1.0 - ReadTexel(uv + toTop * along);
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

// The specular power by squaring: a general power costs a logarithm and an exponential.
float Shine(float x)
{
    for (int i = 0; i < SHININESS_SQUARINGS; ++i)
    {
        x *= x;
    }
    return x;
}

#ifdef GL_ARB_derivative_control
// What v holds at the first pixel of this pixel's 2 x 2 block, the same on all four pixels.
// Which pixel comes first in each direction is found from the derivative of the position's
// parity, so it holds however the renderer lays its blocks out.
vec2 BlockCorner(vec2 v)
{
    vec2 parity = mod(floor(gl_FragCoord.xy), 2.0);
    parity.x = dFdxFine(parity.x) > 0.0 ? parity.x : 1.0 - parity.x;
    parity.y = dFdyFine(parity.y) > 0.0 ? parity.y : 1.0 - parity.y;
    v -= dFdxFine(v) * parity.x;
    return v - dFdyFine(v) * parity.y;
}

// Where the colour map is read for a hit at `read`. A filtered read takes its footprint from how
// the coordinate changes between neighbouring pixels, and an anisotropic one takes more probes
// the longer that footprint is. Where the relief's offset changes faster across the block than
// the coordinate itself (the sides and edges of bumps, where the hit jumps), the footprint would
// grow without any gain in the picture, and a software renderer pays several times a plain read
// for it. There the offset's change across the block is scaled down to the coordinate's own:
// the block's read moves as a whole by the offset at its first pixel, and its pixels spread by
// no more than twice the plain footprint.
vec2 ColorCoordinate(vec2 uv, vec2 read)
{
    vec2 offset = read - uv;
    float kept = MAX_OFFSET_SPREAD *
                 min(length(dFdxCoarse(uv)) / max(length(dFdxCoarse(offset)), 1.0e-9),
                     length(dFdyCoarse(uv)) / max(length(dFdyCoarse(offset)), 1.0e-9));
    kept = min(kept, 1.0);
    return uv + mix(BlockCorner(offset), offset, kept);
}
#else
vec2 ColorCoordinate(vec2 uv, vec2 read)
{
    return read;
}
#endif

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    heightSize = vec2(textureSize(HeightTexture, 0));
    float footprint = TexelFootprint(uv);

    // Both kinds of face end in the same colour-map read and light sum below: the read is the
    // expensive part of the plain case, so it is done once.
    vec2 read = uv;
    float diffuse;
    float cavity = 1.0;
    vec3 specular = vec3(0.0);
    if (framed < 0.5 || eyeDirection.z <= 0.0)
    {
        // Faces without a usable tangent frame (triangles, degenerate coordinates, seen from
        // behind): the colour map under plain diffuse light.
        vec3 n = dot(vertexNormal, vertexNormal) > 0.0 ? normalize(vertexNormal) : faceNormal;
        n = gl_FrontFacing ? n : -n;
        vec3 l = dot(toLight, toLight) > 0.0 ? normalize(toLight) : vec3(0.0);
        diffuse = max(dot(n, l), 0.0);
    }
    else
    {
        vec3 view = normalize(eyeDirection);
        vec3 light = dot(lightDirection, lightDirection) > 0.0 ? normalize(lightDirection)
                                                               : vec3(0.0, 0.0, 1.0);

        float depth;
        read = FindHit(uv, view, footprint, depth);
        vec3 n = ReliefNormal(read, 1.0 - depth);

        // A face turned away from the light gets none, whatever its bumps say.
        float facing = smoothstep(0.0, 0.05, light.z);
        float shadow = SelfShadow(read, depth, light) * facing;
        diffuse = max(dot(n, light), 0.0) * shadow;
        float shine =
            diffuse > 0.0 ? Shine(max(dot(n, normalize(light + view)), 0.0)) : 0.0;
        specular = shine * shadow * specularLight;
        // Hollows see less of the sky than the tops of the bumps.
        cavity = mix(1.0, 0.55, depth);
    }
    vec4 base = texture2D(testTexture, ColorCoordinate(uv, read)) * gl_Color;
    vec3 lit = base.rgb * (ambientLight * cavity + diffuse * diffuseLight) + specular;
    gl_FragColor = vec4(lit, base.a);
}
