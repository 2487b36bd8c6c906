#include "Systems/Physics/Epa.h"

#include <algorithm>
#include <cmath>

namespace
{
	// Three points whose edges make an angle with a sine below this lie on one line as far as float
	// rounding can tell: their normal would be noise, or the signed maxima of a zero-length
	// normalisation.
	constexpr double kDegenerateSine = 1e-6;

	double WideLengthSquared(const Tuple3f& v)
	{
		return static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y + static_cast<double>(v.z) * v.z;
	}

	Tuple3f Centroid(const Simplex& vertices)
	{
		Tuple3f centroid;
		for (const SimplexVertex& vertex : vertices)
			centroid += vertex.point;
		return centroid * (1.0f / static_cast<float>(vertices.size()));
	}
}

EpaWorkspace::EpaWorkspace()
{
	faces.reserve(kReservedFaces);
	horizon.reserve(kReservedFaces);
}

Tuple3f EpaWorkspace::ExpandPolytopeContact(Simplex& vertices, const ConvexGeometry& a, const ConvexGeometry& b,
	int iterations)
{
	faces.clear();
	const Tuple3f centroid = Centroid(vertices);
	MakePolytopeFace(vertices, centroid, 0, 1, 2);
	MakePolytopeFace(vertices, centroid, 0, 1, 3);
	MakePolytopeFace(vertices, centroid, 0, 2, 3);
	MakePolytopeFace(vertices, centroid, 1, 2, 3);
	const float tolerance = kRelativeGap * (a.GetRadius() + b.GetRadius());
	const int cap = iterations * kIterationCapFactor;
	for (int i = 0; i < cap; ++i)
	{
		const PolytopeFace* closest = ClosestFace();
		if (closest == nullptr)
			break;
		const Tuple3f normal = closest->normal;
		const Tuple3f supportA = a.Support(normal);
		const Tuple3f supportB = b.Support(-normal);
		const SimplexVertex vertex{supportA, supportB, supportA - supportB};
		// Nothing lies (measurably) beyond the nearest face: the polytope has reached the boundary.
		if (normal.DotProduct(vertex.point) - closest->distance <= tolerance)
			break;
		Expand(vertices, vertex);
	}
	const PolytopeFace* closest = ClosestFace();
	// Without a single proper face there is no direction; the contact generation replaces zero.
	return closest != nullptr ? closest->normal : Tuple3f();
}

void EpaWorkspace::MakePolytopeFace(const Simplex& vertices, const Tuple3f& centroid, std::uint32_t a, std::uint32_t b,
	std::uint32_t c)
{
	const Tuple3f& pointA = vertices[a].point;
	const Tuple3f ab = vertices[b].point - pointA, ac = vertices[c].point - pointA;
	const Tuple3f cross = Cross(ab, ac);
	// A face over three points on one line is skipped: it would carry a normal of signed maxima,
	// and could become the nearest face.
	if (!(WideLengthSquared(cross) > kDegenerateSine * kDegenerateSine * WideLengthSquared(ab) * WideLengthSquared(ac)))
		return;
	Tuple3f normal = cross.Normalize();
	if (normal.DotProduct(pointA - centroid) < 0.0f)
		normal = -normal;
	faces.push_back({a, b, c, normal, std::fabs(normal.DotProduct(pointA))});
}

const PolytopeFace* EpaWorkspace::ClosestFace() const
{
	const PolytopeFace* closest = nullptr;
	for (const PolytopeFace& face : faces)
		if (closest == nullptr || face.distance < closest->distance)
			closest = &face;
	return closest;
}

void EpaWorkspace::Expand(Simplex& vertices, const SimplexVertex& vertex)
{
	vertices.push_back(vertex);
	const auto newest = static_cast<std::uint32_t>(vertices.size() - 1);
	for (std::size_t i = 0; i < faces.size();)
	{
		const PolytopeFace face = faces[i];
		if (face.distance < face.normal.DotProduct(vertex.point))
		{
			ToggleHorizonEdge(face.a, face.b);
			ToggleHorizonEdge(face.b, face.c);
			ToggleHorizonEdge(face.c, face.a);
			// The last face moves into the slot and is examined next.
			faces[i] = faces.back();
			faces.pop_back();
		}
		else
			++i;
	}
	const Tuple3f centroid = Centroid(vertices);
	for (const PolytopeEdge& edge : horizon)
		MakePolytopeFace(vertices, centroid, edge.first, edge.second, newest);
	horizon.clear();
}

void EpaWorkspace::ToggleHorizonEdge(std::uint32_t from, std::uint32_t to)
{
	const PolytopeEdge edge{std::max(from, to), std::min(from, to)};
	const auto found = std::find(horizon.begin(), horizon.end(), edge);
	if (found == horizon.end())
	{
		horizon.push_back(edge);
		return;
	}
	*found = horizon.back();
	horizon.pop_back();
}
