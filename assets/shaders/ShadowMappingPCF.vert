// Shadow mapping with a filtered edge: texture matrix 1 carries eye-space positions into the
// light's depth map.
#version 110

varying vec3 eyePosition;
varying vec3 normal;
varying vec4 shadowCoord;

void main()
{
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePosition = eye.xyz / eye.w;
    normal = gl_NormalMatrix * gl_Normal;
    shadowCoord = gl_TextureMatrix[1] * eye;
    gl_FrontColor = gl_Color;
    gl_BackColor = gl_Color;
    gl_Position = ftransform();
}
