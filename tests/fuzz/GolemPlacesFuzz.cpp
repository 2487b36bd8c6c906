// Fuzzes the golem's scrap place builder: the first bytes choose the skeleton's size, the vertex
// format and stride, the pruning box and the object's scale; the rest is the vertex data. Whatever
// the mesh holds, every place built names a bone of the skeleton other than the head, has a finite
// position taken from the mesh, and no more places come out than records went in.
#include "Components/Logic/GolemPlaces.h"
#include "Utilities/Diagnostics.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <set>
#include <string>

namespace
{
	float FloatAt(const std::uint8_t* bytes)
	{
		float value;
		std::memcpy(&value, bytes, sizeof(value));
		return value;
	}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	std::cerr.rdbuf(nullptr);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	constexpr std::size_t kHeader = 2 + 6 * sizeof(float);
	if (size < kHeader)
		return 0;
	Model::ModelData model;
	const unsigned boneCount = data[0] % 40;
	// Mostly the golem's own format, sometimes another.
	model.mesh.formatId = (data[1] & 7) == 0 ? data[1] >> 3 : GolemPlaces::kPlaceFormat;
	model.mesh.stride = (data[1] & 7) == 1 ? 32 : GolemPlaces::kPlaceStride;
	const Tuple3f halfExtent(FloatAt(data + 2), FloatAt(data + 6), FloatAt(data + 10));
	const Tuple3f scale(FloatAt(data + 14), FloatAt(data + 18), FloatAt(data + 22));
	model.mesh.vertices.assign(data + kHeader, data + size);
	std::set<std::string> boneNames;
	for (unsigned bone = 0; bone < boneCount; ++bone)
	{
		model.skeleton.bones.push_back(std::make_unique<Model::Bone>());
		model.skeleton.bones.back()->name = "bone" + std::to_string(bone % 7);
		boneNames.insert(model.skeleton.bones.back()->name);
	}
	GolemPlaces::Places places = GolemPlaces::Read(model, "Fuzzed.model");
	const std::size_t records = model.mesh.vertices.size() / GolemPlaces::kPlaceStride;
	if (places.size() > records)
		__builtin_trap();
	GolemPlaces::Prune(places, "bone0", halfExtent, scale);
	for (const GolemPoints::PointDescription& place : places)
		if (place.bone == "bone0" || boneNames.count(place.bone) == 0 || !std::isfinite(place.position.x) ||
			!std::isfinite(place.position.y) || !std::isfinite(place.position.z))
			__builtin_trap();
	tw::Diagnostics::Flush();
	return 0;
}
