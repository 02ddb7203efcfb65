// Directional per-vertex diffuse light: the colour lit at the vertices, interpolated.
#version 110

void main()
{
    gl_FragColor = gl_Color;
}
