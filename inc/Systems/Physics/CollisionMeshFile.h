// CollisionMeshFile: reads the binary collision mesh of level geometry, a model-format file whose
// first chunk is a mesh of bare positions. Every count is checked against the file's length and
// every index against the vertex count, so a damaged file is refused whole with one diagnostic
// naming the file and the byte where it went wrong, and never half read.
#pragma once

#include "Utilities/Tuple.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace CollisionMeshFile
{
	// Two chunk headers and the vertex format, which the collider does not need.
	constexpr std::size_t kHeaderBytes = 20;
	constexpr std::size_t kVertexBytes = 12;

	struct Mesh
	{
		std::vector<Tuple3f> vertices;
		// Three per triangle, each below the vertex count.
		std::vector<std::uint32_t> indices;
	};

	// On failure the mesh is empty and problem says what failed and where ("index 7 at byte 52
	// names vertex 9 of 4"); problem is empty on success. Bytes after the vertices (the model
	// file's other chunks) are not read.
	Mesh Read(std::span<const std::uint8_t> file, std::string& problem);
	// Finds the file through the search paths and reads it; a missing or damaged file gives the
	// empty mesh, false and one diagnostic naming the file.
	bool Load(const std::string& fileName, Mesh& mesh);
}
