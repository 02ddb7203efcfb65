// Flat vertex colour, interpolated across the primitive.
#version 110

void main()
{
    gl_FragColor = gl_Color;
}
