// Writes collision mesh files for tests: a model-format file whose first chunk is a mesh of bare
// positions, built with the model-file writer, plus the byte offsets of its counts so that tests
// can damage a file precisely.
#pragma once

#include "Components/Graphics/ModelFileWriter.h"
#include "Systems/Physics/CollisionMeshFile.h"

#include <cstdint>
#include <vector>

namespace test
{
	struct CollisionMeshWriter
	{
		using Bytes = ModelFileWriter::Bytes;

		// Where the index count, the indices and the vertex count sit in a written file.
		static constexpr std::size_t kIndexCountOffset = CollisionMeshFile::kHeaderBytes;
		static constexpr std::size_t IndexOffset(std::size_t index) { return kIndexCountOffset + 4 + 4 * index; }
		static constexpr std::size_t VertexCountOffset(std::size_t indexCount) { return IndexOffset(indexCount); }
		static constexpr std::size_t VertexOffset(std::size_t indexCount, std::size_t vertex)
		{
			return VertexCountOffset(indexCount) + 4 + CollisionMeshFile::kVertexBytes * vertex;
		}

		static Bytes Build(const std::vector<Tuple3f>& vertices, const std::vector<std::uint32_t>& indices)
		{
			Bytes positions;
			for (const Tuple3f& v : vertices)
				ModelFileWriter::Floats(positions, {v.x, v.y, v.z});
			// The vertex format is not read by the collider.
			constexpr std::uint32_t kFormat = 0;
			return ModelFileWriter().Mesh(kFormat, indices, static_cast<std::uint32_t>(vertices.size()), positions).Build();
		}

		static void Put(Bytes& file, std::size_t offset, std::uint32_t value)
		{
			Bytes word;
			ModelFileWriter::U32(word, value);
			std::copy(word.begin(), word.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
		}
	};
}
