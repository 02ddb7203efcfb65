// Height field: a flat, finely divided mesh is raised along its normals by the height map on
// unit 0 (white is high), so a grid becomes terrain.
#version 120

uniform sampler2D heightMap;      // unit 0
uniform float heightScale = 1.0;  // model units at full height

varying vec3 eyePosition;
varying float height;

void main()
{
    height = texture2DLod(heightMap, gl_MultiTexCoord0.st, 0.0).r;
    vec3 up = dot(gl_Normal, gl_Normal) > 0.0 ? normalize(gl_Normal) : vec3(0.0, 1.0, 0.0);
    vec4 raised = vec4(gl_Vertex.xyz + up * height * heightScale * gl_Vertex.w, gl_Vertex.w);
    vec4 eye = gl_ModelViewMatrix * raised;
    eyePosition = eye.xyz / eye.w;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_BackColor = gl_Color;
    gl_Position = gl_ProjectionMatrix * eye;
}
