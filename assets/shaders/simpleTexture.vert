// Text glyphs and screen pictures: position and texture coordinate pass straight through.
#version 110

void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
