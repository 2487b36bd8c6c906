// The sample model shipped as Data/Models/Reed.model: a square stalk two units tall on a two-bone
// skeleton ("Stem" at the foot, "Tip" halfway up) that sways with the animation "Sway" and stands
// still with "Still". Skinned vertex format 1; its skin offsets undo the bind pose.
#pragma once

#include "Components/Graphics/ModelFileWriter.h"

#include <cmath>
#include <numbers>

namespace test
{
	inline constexpr const char* kSampleModelFile = "Reed.model";

	inline Quaternion TurnAboutZ(float degrees)
	{
		const float half = degrees * std::numbers::pi_v<float> / 360.0f;
		return Quaternion(0.0f, 0.0f, std::sin(half), std::cos(half));
	}

	inline ModelFileWriter::Bytes SampleModelBytes()
	{
		using Writer = ModelFileWriter;
		constexpr float kHalfWidth = 0.1f;
		const float cornerX[] = {-kHalfWidth, kHalfWidth, kHalfWidth, -kHalfWidth};
		const float cornerZ[] = {-kHalfWidth, -kHalfWidth, kHalfWidth, kHalfWidth};
		Writer::Bytes vertices;
		for (int ring = 0; ring < 3; ++ring)
			for (int corner = 0; corner < 4; ++corner)
			{
				const float x = cornerX[corner], z = cornerZ[corner];
				const float normalScale = 1.0f / std::sqrt(x * x + z * z);
				Writer::Floats(vertices, {x, static_cast<float>(ring), z, x * normalScale, 0.0f, z * normalScale,
					static_cast<float>(corner) / 4.0f, static_cast<float>(ring) / 2.0f});
				// Foot on "Stem", middle shared, top on "Tip".
				const float stemWeight = ring == 0 ? 1.0f : (ring == 1 ? 0.5f : 0.0f);
				const std::uint8_t first = ring == 2 ? 1 : 0;
				Writer::Floats(vertices, {ring == 2 ? 1.0f : stemWeight, ring == 1 ? 0.5f : 0.0f, 0.0f, 0.0f});
				vertices.insert(vertices.end(), {first, 1, 0, 0});
			}
		std::vector<std::uint32_t> indices;
		for (std::uint32_t ring = 0; ring < 2; ++ring)
			for (std::uint32_t corner = 0; corner < 4; ++corner)
			{
				const std::uint32_t a = ring * 4 + corner, b = ring * 4 + (corner + 1) % 4;
				indices.insert(indices.end(), {a, b + 4, b, a, a + 4, b + 4});
			}
		indices.insert(indices.end(), {8, 10, 9, 8, 11, 10});

		const Tuple3f tipOffset(0.0f, 1.0f, 0.0f);
		const std::vector<Writer::Bone> bones = {
			{"Stem", Model::Bone::kNoParent, {}, {}, {}, {}},
			{"Tip", 0, tipOffset, {}, -tipOffset, {}},
		};
		const auto sway = [](const Tuple3f& position, float degrees) {
			return std::vector<Model::Key>{{0.0f, position, TurnAboutZ(-degrees)}, {0.5f, position, TurnAboutZ(degrees)},
				{1.0f, position, TurnAboutZ(-degrees)}};
		};
		const Writer::Animation swaying{"Sway", 1.0f, {sway({}, 8.0f), sway(tipOffset, 25.0f)}};
		const Writer::Animation still{"Still", 1.0f, {{{0.0f, {}, {}}}, {{0.0f, tipOffset, {}}}}};
		return Writer().Mesh(1, indices, 12, vertices).Skeleton(bones).AnimationChunk(swaying).AnimationChunk(still).EndMarker().Build();
	}
}
