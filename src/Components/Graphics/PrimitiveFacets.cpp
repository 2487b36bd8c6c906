#include "Components/Graphics/PrimitiveFacets.h"

#include "Components/Graphics/PrimitiveMesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <unordered_map>

namespace
{
	// A plane of fewer triangles costs its test and its own range in the draw more than it saves:
	// a sphere's quads stay together in the run that is always drawn.
	constexpr std::size_t kMinFacetTriangles = 4;
	// Planes are grouped by their unit normal and offset rounded to this step, so rounding in the
	// generators does not split a face; the facet keeps its first triangle's plane.
	constexpr float kPlaneStep = 1e-4f;
	// How far behind a facet's plane the eye must be, relative to its distance from the origin,
	// before the facet is left out: well above the grouping step's error, so that no triangle the
	// rasteriser would show is dropped.
	constexpr float kBehindMargin = 1e-3f;

	struct PlaneKey
	{
		long x, y, z, offset;
		bool operator==(const PlaneKey&) const = default;
	};

	struct PlaneKeyHash
	{
		std::size_t operator()(const PlaneKey& key) const
		{
			std::size_t hash = std::hash<long>()(key.x);
			for (long part : {key.y, key.z, key.offset})
				hash = hash * 1000003u ^ std::hash<long>()(part);
			return hash;
		}
	};

	long Step(float value)
	{
		return std::lround(value / kPlaneStep);
	}

	struct Group
	{
		Tuple3f normal;
		float offset;
		std::vector<std::size_t> triangles;
	};

	// How far an attribute may stray from the affine fit, relative to its magnitude, and how far
	// the triangles' area may stray from the outline's, relative to it.
	constexpr double kAffineTolerance = 1e-4;
	constexpr double kAreaTolerance = 1e-5;

	// A vertex laid flat in its facet's plane, with the attributes the fixed programs interpolate.
	struct FlatVertex
	{
		std::uint32_t id;
		double u, v;
		std::array<double, 9> values;
	};

	double Turn(const FlatVertex& o, const FlatVertex& a, const FlatVertex& b)
	{
		return (a.u - o.u) * (b.v - o.v) - (a.v - o.v) * (b.u - o.u);
	}

	// The corners of the points' convex outline, counter-clockwise, points on its edges left out.
	std::vector<FlatVertex> Outline(std::vector<FlatVertex> points, double scale)
	{
		if (points.size() < 3)
			return {};
		std::sort(points.begin(), points.end(), [](const FlatVertex& a, const FlatVertex& b) {
			return a.u < b.u || (a.u == b.u && a.v < b.v);
		});
		const double straight = kAreaTolerance * scale * scale;
		std::vector<FlatVertex> hull(2 * points.size());
		std::size_t size = 0;
		const auto add = [&](const FlatVertex& point, std::size_t keep) {
			while (size >= keep && Turn(hull[size - 2], hull[size - 1], point) <= straight)
				--size;
			hull[size++] = point;
		};
		for (const FlatVertex& point : points)
			add(point, 2);
		const std::size_t lowerSize = size + 1;
		for (std::size_t i = points.size() - 1; i-- > 0;)
			add(points[i], lowerSize);
		// The last corner added is the first again.
		--size;
		hull.resize(size);
		return hull;
	}

	// The facet as a fan over its outline's corners when that draws what its triangles draw: they
	// tile the outline exactly and every interpolated attribute is affine over the plane (a
	// cube's face, a cylinder's column; not a cone's side, whose texture coordinates bend).
	// Empty otherwise.
	std::vector<std::uint32_t> OutlineFan(const PrimitiveData& mesh, const Group& group)
	{
		const std::uint32_t* first = &mesh.indices[3 * group.triangles.front()];
		const Tuple3f origin = mesh.vertices[first[0]].position;
		const Tuple3f across = (mesh.vertices[first[1]].position - origin).Normalize();
		const Tuple3f up = Cross(group.normal, across);
		std::vector<std::uint32_t> ids;
		for (std::size_t t : group.triangles)
			ids.insert(ids.end(), mesh.indices.begin() + static_cast<std::ptrdiff_t>(3 * t),
				mesh.indices.begin() + static_cast<std::ptrdiff_t>(3 * t + 3));
		std::sort(ids.begin(), ids.end());
		ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
		std::vector<FlatVertex> flat;
		std::unordered_map<std::uint32_t, std::size_t> flatOf;
		double scale = 0.0;
		for (std::uint32_t id : ids)
		{
			const PrimitiveVertex& vertex = mesh.vertices[id];
			const Tuple3f offset = vertex.position - origin;
			const double u = across.DotProduct(offset);
			const double v = up.DotProduct(offset);
			scale = std::max({scale, std::fabs(u), std::fabs(v)});
			flatOf[id] = flat.size();
			flat.push_back({id, u, v,
				{vertex.colour.x, vertex.colour.y, vertex.colour.z, vertex.colour.w, vertex.texCoord.x, vertex.texCoord.y,
					vertex.normal.x, vertex.normal.y, vertex.normal.z}});
		}
		const std::vector<FlatVertex> hull = Outline(flat, scale);
		if (hull.size() < 3)
			return {};
		double hullArea = 0.0;
		for (std::size_t i = 1; i + 1 < hull.size(); ++i)
			hullArea += Turn(hull[0], hull[i], hull[i + 1]);
		double area = 0.0;
		for (std::size_t t : group.triangles)
		{
			const double turn = Turn(flat[flatOf[mesh.indices[3 * t]]], flat[flatOf[mesh.indices[3 * t + 1]]],
				flat[flatOf[mesh.indices[3 * t + 2]]]);
			if (!(turn > 0.0))
				return {};
			area += turn;
		}
		if (!(std::fabs(area - hullArea) <= kAreaTolerance * hullArea))
			return {};
		// The affine fit through the outline's widest triangle of corners.
		std::size_t bestI = 1;
		std::size_t bestJ = 2;
		for (std::size_t i = 1; i < hull.size(); ++i)
			for (std::size_t j = i + 1; j < hull.size(); ++j)
				if (Turn(hull[0], hull[i], hull[j]) > Turn(hull[0], hull[bestI], hull[bestJ]))
				{
					bestI = i;
					bestJ = j;
				}
		const FlatVertex& o = hull[0];
		const FlatVertex& a = hull[bestI];
		const FlatVertex& b = hull[bestJ];
		const double determinant = Turn(o, a, b);
		for (std::size_t c = 0; c < o.values.size(); ++c)
		{
			const double da = a.values[c] - o.values[c];
			const double db = b.values[c] - o.values[c];
			// f = o + gu * (u - o.u) + gv * (v - o.v), through a and b.
			const double gu = (da * (b.v - o.v) - db * (a.v - o.v)) / determinant;
			const double gv = (db * (a.u - o.u) - da * (b.u - o.u)) / determinant;
			for (const FlatVertex& point : flat)
			{
				const double fitted = o.values[c] + gu * (point.u - o.u) + gv * (point.v - o.v);
				if (!(std::fabs(fitted - point.values[c]) <= kAffineTolerance * (1.0 + std::fabs(point.values[c]))))
					return {};
			}
		}
		std::vector<std::uint32_t> fan;
		for (std::size_t i = 1; i + 1 < hull.size(); ++i)
			fan.insert(fan.end(), {hull[0].id, hull[i].id, hull[i + 1].id});
		return fan;
	}
}

PrimitiveFacets::PrimitiveFacets(const PrimitiveData& mesh)
{
	const std::size_t triangleCount = mesh.indices.size() / 3;
	constexpr std::size_t kNoGroup = static_cast<std::size_t>(-1);
	std::vector<std::size_t> groupOf(triangleCount, kNoGroup);
	std::vector<Group> groups;
	std::unordered_map<PlaneKey, std::size_t, PlaneKeyHash> groupByPlane;
	for (std::size_t t = 0; t < triangleCount; ++t)
	{
		const Tuple3f& a = mesh.vertices[mesh.indices[3 * t]].position;
		const Tuple3f& b = mesh.vertices[mesh.indices[3 * t + 1]].position;
		const Tuple3f& c = mesh.vertices[mesh.indices[3 * t + 2]].position;
		const Tuple3f normal = Cross(b - a, c - a);
		const double length = normal.Length();
		// A degenerate triangle has no plane to test; it stays with the triangles always drawn.
		if (!(length > 1e-12))
			continue;
		const Tuple3f unit = normal * static_cast<float>(1.0 / length);
		const float offset = unit.DotProduct(a);
		const PlaneKey key{Step(unit.x), Step(unit.y), Step(unit.z), Step(offset)};
		const auto [found, added] = groupByPlane.try_emplace(key, groups.size());
		if (added)
			groups.push_back({unit, offset, {}});
		groups[found->second].triangles.push_back(t);
		groupOf[t] = found->second;
	}
	const auto copyTriangle = [&](std::size_t t) {
		indices.insert(indices.end(), mesh.indices.begin() + static_cast<std::ptrdiff_t>(3 * t),
			mesh.indices.begin() + static_cast<std::ptrdiff_t>(3 * t + 3));
	};
	indices.reserve(mesh.indices.size() - mesh.indices.size() % 3);
	for (std::size_t t = 0; t < triangleCount; ++t)
		if (groupOf[t] == kNoGroup || groups[groupOf[t]].triangles.size() < kMinFacetTriangles)
			copyTriangle(t);
	alwaysDrawn = static_cast<std::uint32_t>(indices.size());
	std::vector<const Group*> facetGroups;
	for (const Group& group : groups)
	{
		if (group.triangles.size() < kMinFacetTriangles)
			continue;
		const std::uint32_t first = static_cast<std::uint32_t>(indices.size());
		for (std::size_t t : group.triangles)
			copyTriangle(t);
		const Range triangles{first, static_cast<std::uint32_t>(indices.size()) - first};
		facets.push_back({group.normal, group.offset, triangles, triangles});
		facetGroups.push_back(&group);
	}
	meshIndexCount = static_cast<std::uint32_t>(indices.size());
	for (std::size_t f = 0; f < facets.size(); ++f)
	{
		const std::vector<std::uint32_t> fan = OutlineFan(mesh, *facetGroups[f]);
		if (fan.empty() || fan.size() >= facets[f].triangles.count)
			continue;
		facets[f].outline = {static_cast<std::uint32_t>(indices.size()), static_cast<std::uint32_t>(fan.size())};
		indices.insert(indices.end(), fan.begin(), fan.end());
	}
}

void PrimitiveFacets::Append(std::vector<Range>& ranges, const Range& range)
{
	if (!ranges.empty() && ranges.back().first + ranges.back().count == range.first)
		ranges.back().count += range.count;
	else
		ranges.push_back(range);
}

void PrimitiveFacets::CollectFacing(const Tuple3f& eye, bool outlines, std::vector<Range>& ranges) const
{
	ranges.clear();
	if (alwaysDrawn > 0)
		ranges.push_back({0, alwaysDrawn});
	const float margin = kBehindMargin * (1.0f + static_cast<float>(eye.Length()));
	for (const Facet& facet : facets)
		if (!(facet.normal.DotProduct(eye) - facet.offset < -margin))
			Append(ranges, outlines ? facet.outline : facet.triangles);
}
