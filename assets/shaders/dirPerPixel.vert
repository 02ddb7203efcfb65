// Directional diffuse light evaluated per pixel: the eye-space normal is interpolated.
#version 110

varying vec3 normal;

void main()
{
    normal = gl_NormalMatrix * gl_Normal;
    gl_FrontColor = gl_Color;
    gl_BackColor = gl_Color;
    gl_Position = ftransform();
}
