// The shadow factor of shadow mapping, one depth comparison in the map on unit 1 per pixel. The
// frame is multiplied by the factor over the scene's own lit draw, so textures and material
// colours stay: 1 in light (and outside the light's view), SHADOW_SHARE in shadow.
#version 110

uniform sampler2DShadow shadowMap;  // unit 1, compared against the depth in texture space

varying vec4 shadowCoord;

// A shadow halves the colour, as the stencil shadows do.
const float SHADOW_SHARE = 0.5;

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
    return shadow2DProj(shadowMap, shadowCoord).r;
}

void main()
{
    gl_FragColor = vec4(vec3(mix(SHADOW_SHARE, 1.0, Visibility())), 1.0);
}
