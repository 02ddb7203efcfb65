// The texel of unit 0 under the light computed at the vertices.
#version 110

uniform sampler2D colorMap;  // unit 0

void main()
{
    gl_FragColor = texture2D(colorMap, gl_TexCoord[0].st) * gl_Color;
}
