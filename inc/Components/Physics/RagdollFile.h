// RagdollFile: reads the skeleton that a Ragdoll hangs its parts on. A ragdoll file has the chunk
// form of the model files, and may be one: only its skeleton is kept, its mesh and animation chunks
// are read over field by field and chunks of other kinds are skipped by their size. Every size,
// count and parent index is checked against the file and the bone count, so a damaged file gives
// no skeleton and one diagnostic naming the file, the chunk and the fault.
#pragma once

#include "Components/Transform.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct RagdollPart;

// One bone of a ragdoll's skeleton: the file gives its name, parent and bind pose; the Ragdoll
// fills the rest when it starts.
struct RagdollBone
{
	std::string name;
	// inverse(part bind orientation) ⊗ bind orientation.
	Quaternion relativeOrientation;
	// The bind position relative to the part, in the part's unit frame.
	Tuple3f relativePosition;
	// Null for the first bone; otherwise an earlier bone of the same vector.
	RagdollBone* parent = nullptr;
	// The part that carries the bone: its own, else the nearest ancestor's.
	RagdollPart* part = nullptr;
	// The bone's entry in the object's BoneTransform.
	BoneTransform::BoneInfo* boneInfo = nullptr;
	Quaternion bindOrientation;
	Tuple3f bindPosition;
};

namespace RagdollFile
{
	// The bones in file order, each parent pointing into the same vector, which must therefore be
	// moved, never copied. On failure the result is empty and problem says what failed and where
	// ("skeleton chunk at byte 8: bone 2 (\"arm\"): parent 5 is not an earlier bone").
	std::vector<RagdollBone> Read(std::span<const std::uint8_t> file, std::string& problem);
	// Finds the file through the search paths and reads it; a missing or damaged file gives no
	// bones, false and one diagnostic naming the file.
	bool Load(const std::string& fileName, std::vector<RagdollBone>& bones);
	// The first bone with the name, for a new part. Null, with problem naming the bone, when no
	// bone has the name or that bone has a part already: a ragdoll has room for one part per bone.
	RagdollBone* FindBoneForPart(std::vector<RagdollBone>& bones, const std::string& name, std::string& problem);
}
