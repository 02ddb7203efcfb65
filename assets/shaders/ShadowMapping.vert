// Shadow mapping: texture matrix 1 carries eye-space positions into the light's depth map. The
// position goes through ftransform so that the geometry lands on the same depth as the lit draw
// it darkens.
#version 110

varying vec4 shadowCoord;

void main()
{
    shadowCoord = gl_TextureMatrix[1] * (gl_ModelViewMatrix * gl_Vertex);
    gl_Position = ftransform();
}
