// Fuzzes the collision mesh reader: the input is read as a whole collision mesh file; whatever
// loads is baked and used the way the detection stage uses level geometry (box queries, rays,
// the navigation export), so a mesh that passes the reader's checks must be safe to use.
#include "Systems/Physics/StaticTriangleMesh.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	std::string problem;
	CollisionMeshFile::Mesh read = CollisionMeshFile::Read(std::span<const std::uint8_t>(data, size), problem);
	if (!problem.empty() && !(read.vertices.empty() && read.indices.empty()))
		__builtin_trap();
	StaticTriangleMesh mesh;
	mesh.SetMesh(std::move(read));
	mesh.Initialize();
	const float* bounds = mesh.GetBounds();
	std::vector<ConvexGeometry*> pieces;
	mesh.GetGeometries(bounds, pieces);
	if (pieces.size() != mesh.GetGeometryCount())
		__builtin_trap();
	for (ConvexGeometry* piece : pieces)
	{
		Tuple3f feature[ConvexGeometry::kMaxFeaturePoints];
		piece->GetFeature(Tuple3f(0.0f, -1.0f, 0.0f), feature);
	}
	const Tuple3f centre((bounds[0] + bounds[3]) * 0.5f, bounds[4] + 1.0f, (bounds[2] + bounds[5]) * 0.5f);
	mesh.RayCast(centre, Tuple3f(0.0f, -1.0f, 0.0f));
	mesh.RayCast(centre, Tuple3f(0.3f, -0.9f, 0.1f));
	const std::vector<IndexTriple> triangles = mesh.GetIndices();
	const std::size_t vertexCount = mesh.GetVertices().size();
	for (const IndexTriple& triangle : triangles)
		if (triangle.a >= vertexCount || triangle.b >= vertexCount || triangle.c >= vertexCount)
			__builtin_trap();
	return 0;
}
