// ModelFile: reads a binary model file (mesh, optional skeleton, named animations) into the records
// of ModelData.h. Every size, count and index is checked against the file and the declared counts;
// a file that fails any check gives an empty model and one diagnostic naming the file, the chunk
// and what is wrong, so damaged art never reaches the renderer half read.
#pragma once

#include "Components/Graphics/ModelData.h"

#include <cstdint>
#include <span>
#include <string>

namespace ModelFile
{
	// Chunk tags, as little-endian u32 values.
	constexpr std::uint32_t kMeshTag = 0x6D657368;
	constexpr std::uint32_t kSkeletonTag = 0x736B656C;
	constexpr std::uint32_t kAnimationTag = 0x616E696D;
	constexpr std::size_t kKeyBytes = 32;
	// Name length byte, parent, then four tuples of 3, 4, 3 and 4 floats.
	constexpr std::size_t kBoneBytesWithoutName = 61;

	// Finds the file through the search paths, reads it and, when a graphics context is current,
	// uploads its mesh to buffer objects.
	Model::ModelData Load(const std::string& modelName);
	// Reads a whole file's bytes. On failure the result is the empty model and problem says what
	// failed and where ("skeleton chunk at byte 40: ..."); problem is empty on success.
	Model::ModelData Read(std::span<const std::uint8_t> file, std::string& problem);
	// No mesh, no skeleton and only the empty animation name.
	Model::ModelData Empty();
}
