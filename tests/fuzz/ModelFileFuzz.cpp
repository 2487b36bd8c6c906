// Fuzzes the model file reader: the input is read as a whole model file; whatever loads is then
// sampled the way a playing model samples it (every track at times before, inside and past its
// keys, each pose turned into a matrix and back into a rotation), and its skin is checked against
// its skeleton.
#include "Components/Graphics/ModelFile.h"
#include "Systems/Graphics/VertexLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	std::string problem;
	const Model::ModelData model = ModelFile::Read(std::span<const std::uint8_t>(data, size), problem);
	// A loaded skinned mesh names only bones its skeleton has: the skinning reads their matrices.
	const VertexLayout* layout = GetVertexLayout(model.mesh.formatId);
	const std::size_t boneCount = model.skeleton.bones.size();
	if (boneCount > 0 && layout != nullptr && layout->blendIndices >= 0)
		for (std::size_t vertex = 0; vertex < model.mesh.vertexCount; ++vertex)
			for (int slot = 0; slot < 4; ++slot)
				if (model.mesh.vertices[vertex * model.mesh.stride + static_cast<std::size_t>(layout->blendIndices + slot)] >= boneCount)
					__builtin_trap();
	for (const auto& [name, animation] : model.animations)
	{
		if (animation == nullptr)
			continue;
		for (const std::vector<Model::Key>& track : animation->tracks)
		{
			unsigned cursor = 0;
			for (float time : {-1.0f, 0.0f, animation->duration * 0.5f, animation->duration, track.back().time + 1.0f, 0.25f})
			{
				Tuple3f position;
				Quaternion rotation;
				Model::EvaluateTrack(track, cursor, time, position, rotation);
				if (cursor >= track.size())
					__builtin_trap();
				QuaternionFromRotationMatrix(Model::BuildPoseMatrix(position, rotation));
			}
		}
	}
	return 0;
}
