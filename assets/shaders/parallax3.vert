// Parallax mapping: carries the eye and light 0 into the face's tangent space, where the relief is
// marched, and hands the fragment program everything that is the same across a face, so that
// per pixel it reads nothing but the two textures.
#version 130

uniform vec4 Tangent;   // model space, the way u grows across the face
uniform vec4 Normal;    // model space
uniform vec4 BiNormal;  // model space, the way v falls across the face

out vec3 eyeDirection;    // tangent space, from the vertex to the camera
out vec3 lightDirection;  // tangent space, from the vertex to light 0 (its direction when w is 0)
out vec3 toLight;       // model space, for faces drawn without a tangent frame
out vec3 vertexNormal;  // model space, likewise
flat out float framed;  // 1 where the face's tangent frame is usable
flat out vec3 faceNormal;
flat out vec3 ambientLight;  // already scaled by the share of it the relief gets
flat out vec3 diffuseLight;
flat out vec3 specularLight;

// Only a share of the engine's strong fixed-function ambient term, so the relief's lighting shows.
const float AMBIENT_SHARE = 0.3;

void main()
{
    // The inverse modelview takes the camera (the eye-space origin) and the light (stored in eye
    // space) back to model space, whatever the entity's position, turn and scale. The entity's
    // world-space eye uniform would go wrong as soon as the entity moved.
    vec4 eyeInModel = gl_ModelViewMatrixInverse * vec4(0.0, 0.0, 0.0, 1.0);
    vec4 lightInModel = gl_ModelViewMatrixInverse * gl_LightSource[0].position;
    vec3 position = gl_Vertex.xyz / gl_Vertex.w;
    vec3 toEye = eyeInModel.xyz / eyeInModel.w - position;
    toLight = lightInModel.xyz - position * lightInModel.w;
    vec3 tangent = Tangent.xyz;
    vec3 bitangent = -BiNormal.xyz;
    // Both are linear in the position, so the rasteriser interpolates them exactly as it would
    // the model-space vectors they come from.
    eyeDirection = vec3(dot(toEye, tangent), dot(toEye, bitangent), dot(toEye, Normal.xyz));
    lightDirection = vec3(dot(toLight, tangent), dot(toLight, bitangent), dot(toLight, Normal.xyz));
    framed = dot(tangent, tangent) > 0.25 && dot(bitangent, bitangent) > 0.25 &&
                     dot(Normal.xyz, Normal.xyz) > 0.25
                 ? 1.0
                 : 0.0;
    faceNormal = Normal.xyz;
    vertexNormal = gl_Normal;
    ambientLight = AMBIENT_SHARE * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    diffuseLight = gl_LightSource[0].diffuse.rgb;
    specularLight = gl_LightSource[0].specular.rgb;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_BackColor = gl_Color;
    gl_Position = ftransform();
}
