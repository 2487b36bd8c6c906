// The golem shipped in Data/: Golem.model, the invisible model whose vertices are the golem's
// scrap places; GolemSkin.model, the stone figure players see; Golem.ragdoll, its ragdoll; and the
// texture GolemStone.png. The figure has a spine with a head, two arms, each a forearm ("lowerArm_L",
// "lowerArm_R") ending in a hand ("ee_hand_L", "ee_hand_R"), and two legs. Both models share the
// skeleton and the animations "Walk" and "Throw", so that they pose the bones alike.
#pragma once

#include "Components/Graphics/ModelFileWriter.h"

#include <array>
#include <cmath>
#include <numbers>

namespace test
{
	inline constexpr const char* kGolemModelFile = "Golem.model";
	inline constexpr const char* kGolemSkinFile = "GolemSkin.model";
	inline constexpr const char* kGolemRagdollFile = "Golem.ragdoll";
	inline constexpr const char* kGolemTextureFile = "GolemStone.png";
	inline constexpr const char* kGolemHeadBone = "head";

	// Bind positions are in model space; the bones are not turned in the bind pose.
	inline std::vector<ModelFileWriter::Bone> GolemBones()
	{
		const auto bone = [](const char* name, std::uint32_t parent, const Tuple3f& at) {
			return ModelFileWriter::Bone{name, parent, at, {}, -at, {}};
		};
		return {
			bone("spine", Model::Bone::kNoParent, {0.0f, 1.0f, 0.0f}),
			bone(kGolemHeadBone, 0, {0.0f, 2.0f, 0.0f}),
			bone("lowerArm_L", 0, {-0.8f, 1.5f, 0.0f}),
			bone("ee_hand_L", 2, {-1.2f, 0.9f, 0.0f}),
			bone("lowerArm_R", 0, {0.8f, 1.5f, 0.0f}),
			bone("ee_hand_R", 4, {1.2f, 0.9f, 0.0f}),
			bone("leg_L", 0, {-0.3f, 0.95f, 0.0f}),
			bone("leg_R", 0, {0.3f, 0.95f, 0.0f}),
		};
	}

	inline Quaternion Turn(const Tuple3f& axis, float degrees)
	{
		const float half = degrees * std::numbers::pi_v<float> / 360.0f;
		const float s = std::sin(half);
		return Quaternion(axis.x * s, axis.y * s, axis.z * s, std::cos(half));
	}

	// One track per bone: each bone stays at its bind offset from its parent and turns about the
	// axis by the degrees given at the key times; the spine also rises by lift.
	struct GolemPose
	{
		float time;
		float lift;
		float spineYaw, spinePitch, armL, armR, legL, legR;
	};

	inline ModelFileWriter::Animation GolemAnimation(const char* name, float duration, const std::vector<GolemPose>& poses)
	{
		const std::vector<ModelFileWriter::Bone> bones = GolemBones();
		const Tuple3f pitch(1.0f, 0.0f, 0.0f);
		ModelFileWriter::Animation animation{name, duration, std::vector<std::vector<Model::Key>>(bones.size())};
		for (const GolemPose& pose : poses)
		{
			// Turns of each bone about its parent, in bone order; the golem faces +z, so a forward
			// swing of a limb is a negative pitch.
			const std::array<Quaternion, 8> turns = {Turn({0.0f, 1.0f, 0.0f}, pose.spineYaw) * Turn(pitch, pose.spinePitch), Quaternion(),
				Turn(pitch, pose.armL), Quaternion(), Turn(pitch, pose.armR), Quaternion(), Turn(pitch, pose.legL), Turn(pitch, pose.legR)};
			for (std::size_t i = 0; i < bones.size(); ++i)
			{
				const ModelFileWriter::Bone& bone = bones[i];
				Tuple3f offset = bone.parent == Model::Bone::kNoParent ? bone.bindPosition : bone.bindPosition - bones[bone.parent].bindPosition;
				if (i == 0)
					offset.y += pose.lift;
				animation.tracks[i].push_back({pose.time, offset, turns[i]});
			}
		}
		return animation;
	}

	// A lumbering stride: the legs swing against the arms, the body bobs and twists. Leaves send it
	// at speeds from 0.01 to 0.1, so a stride is short in animation time.
	inline ModelFileWriter::Animation GolemWalk()
	{
		return GolemAnimation("Walk", 0.5f, {{0.0f, 0.0f, 5.0f, 0.0f, 20.0f, -20.0f, -25.0f, 25.0f},
			{0.125f, 0.05f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}, {0.25f, 0.0f, -5.0f, 0.0f, -20.0f, 20.0f, 25.0f, -25.0f},
			{0.375f, 0.05f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}, {0.5f, 0.0f, 5.0f, 0.0f, 20.0f, -20.0f, -25.0f, 25.0f}});
	}

	// Both arms swing up behind the head while the body leans back, then fling forward with it.
	// The key at 0.5 keeps the swing from taking the short way round behind the back.
	inline ModelFileWriter::Animation GolemThrow()
	{
		return GolemAnimation("Throw", 1.0f, {{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -15.0f, 10.0f},
			{0.4f, 0.0f, 0.0f, -12.0f, 150.0f, 150.0f, -15.0f, 10.0f}, {0.5f, 0.0f, 0.0f, 0.0f, 40.0f, 40.0f, -15.0f, 10.0f},
			{0.6f, 0.0f, 0.0f, 15.0f, -70.0f, -70.0f, -15.0f, 10.0f}, {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -15.0f, 10.0f}});
	}

	inline ModelFileWriter& GolemSkeletonAndAnimations(ModelFileWriter& writer)
	{
		return writer.Skeleton(GolemBones()).AnimationChunk(GolemWalk()).AnimationChunk(GolemThrow());
	}

	// Vertex format 2 (position, then the bone index in the first blend-index byte): a small triangle
	// about each arm and spine bone, three scrap places each; the head and the legs carry none.
	inline ModelFileWriter::Bytes GolemModelBytes()
	{
		using Writer = ModelFileWriter;
		const std::vector<Writer::Bone> bones = GolemBones();
		constexpr std::uint32_t kBonesWithPlaces = 6;
		// 0.4 apart: more than the pruning box of the shipped golem.
		const std::array<Tuple3f, 3> corners = {Tuple3f(0.0f, 0.2f, 0.2f), Tuple3f(0.2f, -0.2f, -0.2f), Tuple3f(-0.2f, -0.2f, -0.2f)};
		Writer::Bytes vertices;
		std::vector<std::uint32_t> indices;
		for (std::uint32_t bone = 0; bone < kBonesWithPlaces; ++bone)
		{
			for (const Tuple3f& corner : corners)
			{
				const Tuple3f position = bones[bone].bindPosition + corner;
				Writer::Floats(vertices, {position.x, position.y, position.z});
				vertices.insert(vertices.end(), {static_cast<std::uint8_t>(bone), 0, 0, 0});
			}
			indices.insert(indices.end(), {bone * 3, bone * 3 + 1, bone * 3 + 2});
		}
		Writer writer;
		writer.Mesh(2, indices, kBonesWithPlaces * static_cast<std::uint32_t>(corners.size()), vertices);
		return GolemSkeletonAndAnimations(writer).EndMarker().Build();
	}

	// A stone block carried by one bone: centre and three half-axes (at right angles) in the bind pose.
	struct GolemBlock
	{
		std::uint8_t bone;
		Tuple3f centre;
		std::array<Tuple3f, 3> halfAxes;
	};

	inline std::vector<GolemBlock> GolemBlocks()
	{
		const auto box = [](std::uint8_t bone, const Tuple3f& centre, const Tuple3f& half) {
			return GolemBlock{bone, centre, {Tuple3f(half.x, 0.0f, 0.0f), Tuple3f(0.0f, half.y, 0.0f), Tuple3f(0.0f, 0.0f, half.z)}};
		};
		// A forearm block runs from the shoulder to the hand.
		const auto forearm = [](std::uint8_t bone, const Tuple3f& shoulder, const Tuple3f& hand) {
			const Tuple3f along = (hand - shoulder) * 0.5f;
			const Tuple3f across = Tuple3f(along.y, -along.x, 0.0f).Normalize() * 0.2f;
			return GolemBlock{bone, (shoulder + hand) * 0.5f, {across, along * 1.15f, Tuple3f(0.0f, 0.0f, 0.2f)}};
		};
		std::vector<GolemBlock> blocks = {
			box(0, {0.0f, 1.0f, 0.0f}, {0.45f, 0.18f, 0.3f}),
			box(0, {0.0f, 1.55f, 0.0f}, {0.6f, 0.42f, 0.38f}),
			box(1, {0.0f, 2.2f, 0.06f}, {0.26f, 0.22f, 0.26f}),
			box(1, {0.0f, 2.14f, 0.3f}, {0.2f, 0.05f, 0.04f}),
		};
		for (const float side : {-1.0f, 1.0f})
		{
			const auto arm = static_cast<std::uint8_t>(side < 0 ? 2 : 4);
			const auto leg = static_cast<std::uint8_t>(side < 0 ? 6 : 7);
			blocks.push_back(box(0, {0.72f * side, 1.78f, 0.0f}, {0.26f, 0.2f, 0.3f}));
			blocks.push_back(forearm(arm, {0.8f * side, 1.5f, 0.0f}, {1.2f * side, 0.9f, 0.0f}));
			blocks.push_back(box(static_cast<std::uint8_t>(arm + 1), {1.25f * side, 0.78f, 0.0f}, {0.24f, 0.24f, 0.24f}));
			blocks.push_back(box(leg, {0.3f * side, 0.5f, 0.0f}, {0.2f, 0.45f, 0.22f}));
			blocks.push_back(box(leg, {0.3f * side, 0.08f, 0.08f}, {0.24f, 0.08f, 0.3f}));
		}
		return blocks;
	}

	// Vertex format 1 (position, normal, texture coordinate, four blend weights, four bone indices):
	// every block rigid on its bone, four vertices a face so each face has its own normal; the
	// texture runs two repeats a unit on every face.
	inline ModelFileWriter::Bytes GolemSkinBytes()
	{
		using Writer = ModelFileWriter;
		Writer::Bytes vertices;
		std::vector<std::uint32_t> indices;
		std::uint32_t vertexCount = 0;
		for (const GolemBlock& block : GolemBlocks())
			for (int axis = 0; axis < 3; ++axis)
				for (const float sign : {-1.0f, 1.0f})
				{
					const Tuple3f normalHalf = block.halfAxes[axis] * sign;
					const Tuple3f& u = block.halfAxes[(axis + 1) % 3];
					const Tuple3f& v = block.halfAxes[(axis + 2) % 3];
					const Tuple3f normal = normalHalf.Normalize();
					const auto uLength = static_cast<float>(u.Length()), vLength = static_cast<float>(v.Length());
					for (const auto& [a, b] : {std::pair(-1.0f, -1.0f), std::pair(1.0f, -1.0f), std::pair(1.0f, 1.0f), std::pair(-1.0f, 1.0f)})
					{
						const Tuple3f position = block.centre + normalHalf + u * a + v * b;
						Writer::Floats(vertices, {position.x, position.y, position.z, normal.x, normal.y, normal.z, (a + 1.0f) * uLength * 2.0f,
							(b + 1.0f) * vLength * 2.0f, 1.0f, 0.0f, 0.0f, 0.0f});
						vertices.insert(vertices.end(), {block.bone, 0, 0, 0});
					}
					// Counter-clockwise seen from outside: u x v points along the normal on the + side.
					const std::uint32_t first = vertexCount;
					if (sign > 0)
						indices.insert(indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
					else
						indices.insert(indices.end(), {first, first + 2, first + 1, first, first + 3, first + 2});
					vertexCount += 4;
				}
		Writer writer;
		writer.Mesh(1, indices, vertexCount, vertices);
		return GolemSkeletonAndAnimations(writer).EndMarker().Build();
	}

	inline ModelFileWriter::Bytes GolemRagdollBytes()
	{
		return ModelFileWriter().Skeleton(GolemBones()).Build();
	}
}
