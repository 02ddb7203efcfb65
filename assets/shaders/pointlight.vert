// Point light evaluated per pixel: eye-space position and normal are interpolated.
#version 110

varying vec3 eyePosition;
varying vec3 normal;

void main()
{
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePosition = eye.xyz / eye.w;
    normal = gl_NormalMatrix * gl_Normal;
    gl_FrontColor = gl_Color;
    gl_BackColor = gl_Color;
    gl_Position = ftransform();
}
