// Forward pass of skinned models: each vertex is moved by its bones as AnimatedGeometryPass.vs
// moves it, so that the colour lands where the geometry pass put the surface; then as Forward.vs.
#version 120

const int kMaxBones = 80;

uniform mat4 boneMatrices[kMaxBones];
attribute vec4 blendWeights;
attribute vec4 blendIndices;

void main()
{
	mat4 skin = blendWeights.x * boneMatrices[int(blendIndices.x)]
		+ blendWeights.y * boneMatrices[int(blendIndices.y)]
		+ blendWeights.z * boneMatrices[int(blendIndices.z)]
		+ blendWeights.w * boneMatrices[int(blendIndices.w)];
	gl_TexCoord[0] = gl_TextureMatrix[0] * gl_MultiTexCoord0;
	gl_FrontColor = gl_Color;
	gl_Position = gl_ProjectionMatrix * (gl_ModelViewMatrix * (skin * gl_Vertex));
}
