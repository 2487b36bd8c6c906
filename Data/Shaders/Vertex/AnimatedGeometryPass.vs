// Geometry pass of skinned models: each vertex is moved by up to four bones ("blendIndices"
// choose them from "boneMatrices", "blendWeights" weigh them) and then written to the G-buffer as
// GeometryPass.vs writes a static vertex.
#version 120

const int kMaxBones = 80;

uniform float clipNear;
uniform float invClipDiff;
uniform mat4 boneMatrices[kMaxBones];
attribute vec4 blendWeights;
attribute vec4 blendIndices;
attribute vec3 tangent;
attribute vec3 binormal;
varying vec3 viewNormal;
varying float linearDepth;

void main()
{
	mat4 skin = blendWeights.x * boneMatrices[int(blendIndices.x)]
		+ blendWeights.y * boneMatrices[int(blendIndices.y)]
		+ blendWeights.z * boneMatrices[int(blendIndices.z)]
		+ blendWeights.w * boneMatrices[int(blendIndices.w)];
	vec4 modelPosition = skin * gl_Vertex;
	vec4 viewPosition = gl_ModelViewMatrix * modelPosition;
	viewNormal = gl_NormalMatrix * (mat3(skin[0].xyz, skin[1].xyz, skin[2].xyz) * gl_Normal);
	linearDepth = (-viewPosition.z - clipNear) * invClipDiff;
	gl_Position = gl_ProjectionMatrix * viewPosition;
}
