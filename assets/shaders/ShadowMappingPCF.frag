// The shadow factor of shadow mapping with percentage-closer filtering: nine depth comparisons
// around the pixel's place in the depth map on unit 1 give a soft edge instead of stair steps.
// The frame is multiplied by the factor over the scene's own lit draw, so textures and material
// colours stay: 1 in light (and outside the light's view), SHADOW_SHARE in full shadow.
#version 110

uniform sampler2DShadow shadowMap;  // unit 1, compared against the depth in texture space

varying vec4 shadowCoord;

// A shadow halves the colour, as the stencil shadows do.
const float SHADOW_SHARE = 0.5;
// One texel of the graphics core's 512 x 512 depth map.
const float SHADOW_TEXEL = 1.0 / 512.0;

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
    // Offsets are scaled by w because the lookup divides by it.
    float texel = SHADOW_TEXEL * shadowCoord.w;
    float sum = 0.0;
    for (int y = -1; y <= 1; ++y)
    {
        for (int x = -1; x <= 1; ++x)
        {
            vec4 offset = vec4(float(x) * texel, float(y) * texel, 0.0, 0.0);
            sum += shadow2DProj(shadowMap, shadowCoord + offset).r;
        }
    }
    return sum / 9.0;
}

void main()
{
    gl_FragColor = vec4(vec3(mix(SHADOW_SHARE, 1.0, Visibility())), 1.0);
}
