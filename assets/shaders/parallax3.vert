// Parallax mapping: carries the eye and light 0 into the model's own space, where the entity's
// per-face tangent frame lives, and passes the colour-map coordinates on.
#version 110

varying vec3 toEye;         // model space, from the vertex to the camera
varying vec3 toLight;       // model space, from the vertex to light 0 (its direction when w is 0)
varying vec3 vertexNormal;  // model space, for faces drawn without a tangent frame

void main()
{
    // The inverse modelview takes the camera (the eye-space origin) and the light (stored in eye
    // space) back to model space, whatever the entity's position, turn and scale.
    vec4 eyeInModel = gl_ModelViewMatrixInverse * vec4(0.0, 0.0, 0.0, 1.0);
    vec4 lightInModel = gl_ModelViewMatrixInverse * gl_LightSource[0].position;
    vec3 position = gl_Vertex.xyz / gl_Vertex.w;
    toEye = eyeInModel.xyz / eyeInModel.w - position;
    toLight = lightInModel.xyz - position * lightInModel.w;
    vertexNormal = gl_Normal;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_BackColor = gl_Color;
    gl_Position = ftransform();
}
