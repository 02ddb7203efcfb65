// Text glyphs and screen pictures: the texel on unit 0 tinted by the caller's colour.
#version 110

uniform sampler2D colorMap;  // unit 0
uniform vec4 colors;         // tint: red, green, blue, alpha
// Origin of a bold text pass. The glyph quads are already placed by the modelview matrix, so the
// value is accepted but moves nothing.
uniform vec3 tpos;

void main()
{
    gl_FragColor = texture2D(colorMap, gl_TexCoord[0].st) * colors;
}
