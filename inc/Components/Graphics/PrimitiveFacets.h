// A primitive mesh's triangles regrouped into facets, runs of triangles that share one plane (a
// cube's faces, a cylinder's side columns and caps), so that a draw can leave out the facets the
// eye sees from behind (culling would drop them too, but only after llvmpipe has shaded them on
// the drawing thread), and draw a flat facet as a fan over its outline where its tessellation
// cannot show: llvmpipe sets up and bins every front triangle on the drawing thread, and that is
// most of a frame's cost there.
#pragma once

#include "Utilities/Tuple.h"

#include <cstdint>
#include <vector>

struct PrimitiveData;

class PrimitiveFacets
{
public:
	// A run of Indices(), in indices: where it starts and how many.
	struct Range
	{
		std::uint32_t first;
		std::uint32_t count;
	};

	PrimitiveFacets() = default;
	// Groups the mesh's triangles; the triangles of planes too small to be worth a test of their
	// own come first and are always drawn.
	explicit PrimitiveFacets(const PrimitiveData& mesh);

	// The mesh's triangles, each once and with its winding, in facet order, followed by the
	// outline fans.
	const std::vector<std::uint32_t>& Indices() const { return indices; }
	// How many of Indices() are the mesh's own triangles (the rest are outline fans).
	std::uint32_t MeshIndexCount() const { return meshIndexCount; }
	// Replaces ranges with the runs of Indices() an eye at `eye` (in the mesh's own space) can see
	// the front of; adjacent runs are merged. A facet is left out only when the eye lies clearly
	// behind its plane, so an edge-on facet is still drawn and culling has the last word. With
	// outlines, a facet whose colours, texture coordinates and normals are affine over its plane
	// is drawn as its outline fan: the same pixels with the same values. Tangents and binormals
	// are sums over each vertex's triangles, so a draw that feeds them takes the triangles.
	void CollectFacing(const Tuple3f& eye, bool outlines, std::vector<Range>& ranges) const;

private:
	struct Facet
	{
		Tuple3f normal;
		float offset;
		Range triangles;
		// The fan over the facet's outline, or its triangles again where a fan would differ.
		Range outline;
	};

	static void Append(std::vector<Range>& ranges, const Range& range);

	std::vector<std::uint32_t> indices;
	std::uint32_t meshIndexCount = 0;
	std::vector<Facet> facets;
	std::uint32_t alwaysDrawn = 0;
};
