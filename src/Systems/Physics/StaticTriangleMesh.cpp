#include "Systems/Physics/StaticTriangleMesh.h"

#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>

void StaticTriangleMesh::SetMesh(CollisionMeshFile::Mesh mesh)
{
	tree.Clear();
	rayTree.Pack(nullptr);
	rayTriangles.clear();
	triangles.clear();
	vertices = std::move(mesh.vertices);
	indices = std::move(mesh.indices);
	triangles.reserve(indices.size() / 3);
	for (std::size_t i = 0; i + 2 < indices.size(); i += 3)
		triangles.emplace_back(&vertices[indices[i]], &vertices[indices[i + 1]], &vertices[indices[i + 2]]);
}

void StaticTriangleMesh::Initialize()
{
	if (body != nullptr)
		for (Tuple3f& vertex : vertices)
			vertex = body->transforms.world * vertex;
	UpdateBounds();
	tree.Clear();
	tree.SetCollectFlag(true);
	for (TriangleCollider& triangle : triangles)
	{
		triangle.Bake();
		triangle.owner = this;
		tree.Insert(&triangle.GetBox(), &triangle, nullptr);
	}
	tree.Build();
	rayTriangles.clear();
	for (const AABBTree::LeafNode* leaf : rayTree.Pack(tree.Root()))
		rayTriangles.push_back(static_cast<const TriangleCollider*>(leaf->data)->GetRay());
	radius = kMeshRadius;
}

bool StaticTriangleMesh::Load(Serializer& serializer)
{
	serializer.Read(fileName);
	CollisionMeshFile::Mesh mesh;
	const bool read = CollisionMeshFile::Load(fileName, mesh);
	SetMesh(std::move(mesh));
	return read;
}

bool StaticTriangleMesh::Save(Serializer& serializer)
{
	serializer.Write("File Name", fileName);
	return true;
}

void StaticTriangleMesh::UpdateBounds()
{
	if (vertices.empty())
	{
		std::fill(std::begin(bounds), std::end(bounds), 0.0f);
		return;
	}
	for (int axis = 0; axis < 3; ++axis)
	{
		const auto [low, high] = std::ranges::minmax(vertices, {}, [axis](const Tuple3f& v) { return v[axis]; });
		bounds[axis] = low[axis];
		bounds[axis + 3] = high[axis];
	}
}

void StaticTriangleMesh::ComputeMass(Matrix4& inverseInertia, float& mass, Tuple3f& centreOfMass)
{
	inverseInertia = Matrix4();
	mass = 0.0f;
	centreOfMass = Tuple3f();
	isStatic = true;
}

void StaticTriangleMesh::GetGeometries(const float* box, std::vector<ConvexGeometry*>& out)
{
	overlapping.clear();
	tree.QueryBox(AABB{{box[0], box[1], box[2]}, {box[3], box[4], box[5]}}, overlapping);
	for (const AABBTree::LeafNode* leaf : overlapping)
		out.push_back(static_cast<TriangleCollider*>(leaf->data));
}

float StaticTriangleMesh::RayCast(const Tuple3f& origin, const Tuple3f& direction) const
{
	return RayCastWithin(origin, direction, AABBTree::kNoHitYet);
}

float StaticTriangleMesh::RayCastWithin(const Tuple3f& origin, const Tuple3f& direction, float farthest) const
{
	std::uint32_t hitTriangle = 0;
	// Only hits strictly ahead of the origin count, as in every collider's ray test, so a ray
	// starting on the mesh does not stop at its own surface.
	return rayTree.RayCast(origin, direction, farthest, rayTriangles.data(),
		[&](const TriangleRay& triangle, float) {
			const float t = triangle.Cast(origin, direction);
			return t > 0.0f ? t : kRayMiss;
		},
		hitTriangle);
}

std::vector<IndexTriple> StaticTriangleMesh::GetIndices() const
{
	std::vector<IndexTriple> triples;
	triples.reserve(indices.size() / 3);
	for (std::size_t i = 0; i + 2 < indices.size(); i += 3)
		triples.push_back({indices[i], indices[i + 1], indices[i + 2]});
	return triples;
}
