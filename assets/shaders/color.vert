// Flat vertex colour, transformed by the fixed-function matrices.
#version 110

void main()
{
    gl_FrontColor = gl_Color;
    gl_BackColor = gl_Color;
    gl_Position = ftransform();
}
