// Level objects in the forward pass: the diffuse texture (unit 0, through its texture matrix)
// lit by what the light pass accumulated for this pixel. A skinned model sets "skinned" and its
// bones, so that it stands where the geometry pass put it (see AnimatedGeometryPass.vs).
#version 120

const int kMaxBones = 80;

uniform bool skinned;
uniform mat4 boneMatrices[kMaxBones];
attribute vec4 blendWeights;
attribute vec4 blendIndices;

void main()
{
	gl_TexCoord[0] = gl_TextureMatrix[0] * gl_MultiTexCoord0;
	gl_FrontColor = gl_Color;
	if (skinned)
	{
		mat4 skin = blendWeights.x * boneMatrices[int(blendIndices.x)]
			+ blendWeights.y * boneMatrices[int(blendIndices.y)]
			+ blendWeights.z * boneMatrices[int(blendIndices.z)]
			+ blendWeights.w * boneMatrices[int(blendIndices.w)];
		gl_Position = gl_ModelViewProjectionMatrix * (skin * gl_Vertex);
	}
	else
		gl_Position = ftransform();
}
