// Writes ragdoll files for tests. A ragdoll file is a model file of which only the skeleton is
// read, so the model-file writer writes them; this adds the skeletons the ragdoll tests use.
#pragma once

#include "Components/Graphics/ModelFileWriter.h"

#include <vector>

namespace test
{
	using RagdollBoneEntry = ModelFileWriter::Bone;

	// A standing figure: pelvis (the root), spine, head, and a leg on either side of the pelvis.
	inline std::vector<RagdollBoneEntry> FiveBoneSkeleton()
	{
		const Quaternion upright;
		// The unused second pose gets values of its own, so a reader that took it would be seen.
		const Tuple3f unusedPosition(9, 9, 9);
		const Quaternion unusedOrientation(0.5f, 0.5f, 0.5f, 0.5f);
		return {
			{"pelvis", Model::Bone::kNoParent, {0, 1, 0}, upright, unusedPosition, unusedOrientation},
			{"spine", 0, {0, 1.2f, 0}, upright, unusedPosition, unusedOrientation},
			{"head", 1, {0, 1.7f, 0}, QuaternionFromRotationVector({0, 0, 0.2f}), unusedPosition, unusedOrientation},
			{"leftLeg", 0, {-0.2f, 0.9f, 0}, QuaternionFromRotationVector({0, 0, 3.1f}), unusedPosition, unusedOrientation},
			{"rightLeg", 0, {0.2f, 0.9f, 0}, QuaternionFromRotationVector({0, 0, -3.1f}), unusedPosition, unusedOrientation},
		};
	}

	inline ModelFileWriter::Bytes RagdollFileBytes(const std::vector<RagdollBoneEntry>& bones)
	{
		return ModelFileWriter().Skeleton(bones).Build();
	}
}
