// EPA, the expanding-polytope algorithm: grows the tetrahedron that GJK (Gjk.h) leaves around the
// origin into a polytope of the two geometries' Minkowski difference until no support point lies
// beyond its face nearest the origin, and returns that face's normal: the direction of least
// penetration, from which the contact generation derives depth and points.
#pragma once

#include "Systems/Physics/Gjk.h"

#include <cstdint>
#include <vector>

struct PolytopeFace
{
	// Vertex indices into the polytope's vertex list.
	std::uint32_t a = 0;
	std::uint32_t b = 0;
	std::uint32_t c = 0;
	// Unit, pointing away from the polytope's inside.
	Tuple3f normal;
	// Of the face's plane from the origin; never negative.
	float distance = 0.0f;
};

// An edge of the horizon, the larger vertex index first.
struct PolytopeEdge
{
	std::uint32_t first = 0;
	std::uint32_t second = 0;

	bool operator==(const PolytopeEdge&) const = default;
};

// The working object of ExpandPolytopeContact; its lists keep their storage between pairs.
class EpaWorkspace
{
public:
	static constexpr unsigned kReservedFaces = 100;
	// Curved pairs converge a face at a time: a fixed count of 20 left a sphere pair's normal some
	// twelve degrees off, while flat pairs stop after a few expansions whatever the cap.
	static constexpr float kRelativeGap = 1e-5f;
	static constexpr int kIterationCapFactor = 10;

	EpaWorkspace();

	// Builds the tetrahedron's four faces and expands the polytope until the support beyond its
	// nearest face lies within kRelativeGap of the pair's size (the two radii) of that face, at
	// most kIterationCapFactor × iterations times; returns the nearest face's normal, pointing
	// from a towards b. Call it right after GjkIntersect found a and b overlapping; vertices is
	// that simplex, to which it appends.
	Tuple3f ExpandPolytopeContact(Simplex& vertices, const ConvexGeometry& a, const ConvexGeometry& b, int iterations);

	const std::vector<PolytopeFace>& GetFaces() const { return faces; }

private:
	// Appends the face over three vertices, its normal turned away from the centroid of all the
	// vertices (worked out once by the caller for all the faces it makes over one vertex set); a
	// face whose vertices lie on one line has no normal and is left out.
	void MakePolytopeFace(const Simplex& vertices, const Tuple3f& centroid, std::uint32_t a, std::uint32_t b,
		std::uint32_t c);
	// The face with the smallest distance, the earlier one on a tie; null when there is none.
	const PolytopeFace* ClosestFace() const;
	// Adds the vertex, removes every face it sees and closes the hole with faces over the horizon.
	void Expand(Simplex& vertices, const SimplexVertex& vertex);
	// An edge shared by two removed faces cancels out; what remains is the horizon.
	void ToggleHorizonEdge(std::uint32_t from, std::uint32_t to);

	std::vector<PolytopeFace> faces;
	std::vector<PolytopeEdge> horizon;
};
