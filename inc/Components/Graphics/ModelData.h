// The records a model file becomes: the mesh with its vertex and index arrays (and their buffer
// objects once uploaded), the skeleton, and the named animations with one track of keys per bone.
// ModelFile reads them; the model cache owns them; Model draws and animates from them.
#pragma once

#include "Components/Graphics/Model.h"

#include <cstdint>

struct Model::Key
{
	float time = 0.0f;
	// Relative to the parent bone.
	Tuple3f position;
	Quaternion rotation;
};

struct Model::Bone
{
	std::string name;
	unsigned index = 0;
	// kNoParent for a root; otherwise smaller than index.
	unsigned parent = 0;
	// The rest pose in model space.
	Tuple3f bindPosition;
	Quaternion bindOrientation;
	Matrix4 bindMatrix;
	// Applied to a vertex before the bone's posed matrix: the inverse of the bind pose in a
	// consistent file.
	Matrix4 skinOffsetMatrix;
	Tuple3f skinOffsetTranslation;
	Quaternion skinOffsetRotation;
	// Not owned.
	std::vector<Bone*> children;

	static constexpr unsigned kNoParent = 0xFFFFFFFF;
};

struct Model::Skeleton
{
	// File order; parents come before their children.
	std::vector<std::unique_ptr<Bone>> bones;
	std::vector<Bone*> roots;

	// Numbers the bones, links them to their parents and builds their bind and skin-offset
	// matrices; every parent index must already have been checked.
	void Link();
};

struct Model::Animation
{
	std::string name;
	float duration = 0.0f;
	// Track t animates bone t; each holds at least one key, in ascending time.
	std::vector<std::vector<Key>> tracks;
};

struct Model::Mesh
{
	// Buffer object names; 0 while the mesh is not on the graphics card.
	unsigned vertexBuffer = 0;
	unsigned indexBuffer = 0;
	std::vector<std::uint8_t> vertices;
	std::vector<std::uint32_t> indices;
	unsigned indexCount = 0;
	unsigned vertexCount = 0;
	unsigned formatId = 0;
	unsigned stride = 0;
	// The box the vertices' rest positions fill; the renderer culls a rigid model by it.
	Tuple3f boundsMin;
	Tuple3f boundsMax;
};

struct Model::ModelData
{
	// Set once a skeleton chunk was read.
	bool hasSkeleton = false;
	Mesh mesh;
	Skeleton skeleton;
	AnimationTable animations;

	// Frees everything and deletes the buffer objects; the records are left empty.
	void Destroy();
};
