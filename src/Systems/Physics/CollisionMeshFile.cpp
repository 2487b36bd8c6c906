#include "Systems/Physics/CollisionMeshFile.h"

#include "Utilities/BinaryFile.h"
#include "Utilities/ChunkReader.h"

#include <cmath>
#include <iostream>

namespace
{
	std::string Where(const ByteReader& reader)
	{
		return " at byte " + std::to_string(reader.FileOffset());
	}

	bool Fail(std::string& problem, const std::string& what)
	{
		problem = what;
		return false;
	}

	bool ReadIndices(ByteReader& reader, std::vector<std::uint32_t>& indices, std::string& problem)
	{
		std::uint32_t count = 0;
		const std::string where = Where(reader);
		if (!reader.ReadU32(count))
			return Fail(problem, "the file ends" + where + " before the index count");
		if (count % 3 != 0)
			return Fail(problem, "index count " + std::to_string(count) + where + " is not a whole number of triangles");
		if (count > reader.Remaining() / 4)
			return Fail(problem, std::to_string(count) + " indices" + where + " run past the end of the file");
		indices.resize(count);
		for (std::uint32_t& index : indices)
			reader.ReadU32(index);
		return true;
	}

	bool ReadVertices(ByteReader& reader, std::vector<Tuple3f>& vertices, std::string& problem)
	{
		std::uint32_t count = 0;
		const std::string where = Where(reader);
		if (!reader.ReadU32(count))
			return Fail(problem, "the file ends" + where + " before the vertex count");
		if (count > reader.Remaining() / CollisionMeshFile::kVertexBytes)
			return Fail(problem, std::to_string(count) + " vertices" + where + " run past the end of the file");
		vertices.resize(count);
		for (std::size_t i = 0; i < vertices.size(); ++i)
		{
			Tuple3f& vertex = vertices[i];
			const std::string at = Where(reader);
			reader.ReadF32(vertex.x);
			reader.ReadF32(vertex.y);
			reader.ReadF32(vertex.z);
			// A NaN or infinite corner would poison the bounds, the tree and every contact.
			if (!std::isfinite(vertex.x) || !std::isfinite(vertex.y) || !std::isfinite(vertex.z))
				return Fail(problem, "vertex " + std::to_string(i) + at + " is not a finite point");
		}
		return true;
	}

	bool ReadMesh(std::span<const std::uint8_t> file, CollisionMeshFile::Mesh& mesh, std::string& problem)
	{
		ByteReader reader(file, 0);
		if (!reader.Skip(CollisionMeshFile::kHeaderBytes))
			return Fail(problem, "shorter than its " + std::to_string(CollisionMeshFile::kHeaderBytes) + "-byte header");
		const std::size_t indexOffset = reader.FileOffset() + 4;
		if (!ReadIndices(reader, mesh.indices, problem) || !ReadVertices(reader, mesh.vertices, problem))
			return false;
		for (std::size_t i = 0; i < mesh.indices.size(); ++i)
			if (mesh.indices[i] >= mesh.vertices.size())
				return Fail(problem, "index " + std::to_string(i) + " at byte " + std::to_string(indexOffset + 4 * i) +
					" names vertex " + std::to_string(mesh.indices[i]) + " of " + std::to_string(mesh.vertices.size()));
		return true;
	}
}

CollisionMeshFile::Mesh CollisionMeshFile::Read(std::span<const std::uint8_t> file, std::string& problem)
{
	Mesh mesh;
	problem.clear();
	if (!ReadMesh(file, mesh, problem))
		mesh = Mesh();
	return mesh;
}

bool CollisionMeshFile::Load(const std::string& fileName, Mesh& mesh)
{
	std::vector<std::uint8_t> bytes;
	std::string problem;
	if (ReadDataFile(fileName, bytes, problem))
		mesh = Read(bytes, problem);
	else
		mesh = Mesh();
	if (problem.empty())
		return true;
	std::cerr << "Collision mesh '" << fileName << "': " << problem << "; the mesh is left empty\n";
	return false;
}
