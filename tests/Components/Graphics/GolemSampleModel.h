// The golem shipped as Data/Models/Golem.model and its ragdoll Data/PhysicsModels/Golem.ragdoll: a
// spine with a head and two arms, each arm a forearm ("lowerArm_L", "lowerArm_R") ending in a hand
// ("ee_hand_L", "ee_hand_R"). Its mesh is vertex format 2 (position, then the bone index in the
// first blend-index byte): three vertices about each bone, the scrap places of the golem.
#pragma once

#include "Components/Graphics/ModelFileWriter.h"

#include <array>

namespace test
{
	inline constexpr const char* kGolemModelFile = "Golem.model";
	inline constexpr const char* kGolemRagdollFile = "Golem.ragdoll";
	inline constexpr const char* kGolemHeadBone = "head";

	inline std::vector<ModelFileWriter::Bone> GolemBones()
	{
		return {
			{"spine", Model::Bone::kNoParent, {0.0f, 1.0f, 0.0f}, {}, {0.0f, -1.0f, 0.0f}, {}},
			{kGolemHeadBone, 0, {0.0f, 2.0f, 0.0f}, {}, {0.0f, -2.0f, 0.0f}, {}},
			{"lowerArm_L", 0, {-0.8f, 1.5f, 0.0f}, {}, {0.8f, -1.5f, 0.0f}, {}},
			{"ee_hand_L", 2, {-1.2f, 0.9f, 0.0f}, {}, {1.2f, -0.9f, 0.0f}, {}},
			{"lowerArm_R", 0, {0.8f, 1.5f, 0.0f}, {}, {-0.8f, -1.5f, 0.0f}, {}},
			{"ee_hand_R", 4, {1.2f, 0.9f, 0.0f}, {}, {-1.2f, -0.9f, 0.0f}, {}},
		};
	}

	inline ModelFileWriter::Bytes GolemModelBytes()
	{
		using Writer = ModelFileWriter;
		const std::vector<Writer::Bone> bones = GolemBones();
		// A small triangle about each bone, 0.4 apart: more than the pruning box of the shipped golem.
		const std::array<Tuple3f, 3> corners = {Tuple3f(0.0f, 0.2f, 0.2f), Tuple3f(0.2f, -0.2f, -0.2f), Tuple3f(-0.2f, -0.2f, -0.2f)};
		Writer::Bytes vertices;
		std::vector<std::uint32_t> indices;
		for (std::uint32_t bone = 0; bone < bones.size(); ++bone)
		{
			for (const Tuple3f& corner : corners)
			{
				const Tuple3f position = bones[bone].bindPosition + corner;
				Writer::Floats(vertices, {position.x, position.y, position.z});
				vertices.insert(vertices.end(), {static_cast<std::uint8_t>(bone), 0, 0, 0});
			}
			indices.insert(indices.end(), {bone * 3, bone * 3 + 1, bone * 3 + 2});
		}
		const auto count = static_cast<std::uint32_t>(bones.size() * corners.size());
		return Writer().Mesh(2, indices, count, vertices).Skeleton(bones).EndMarker().Build();
	}

	inline ModelFileWriter::Bytes GolemRagdollBytes()
	{
		return ModelFileWriter().Skeleton(GolemBones()).Build();
	}
}
