#include "Systems/Logic/MeshGeneration/DecodedTileField.h"

#include "Systems/Logic/MeshGeneration/LeanHeightfield.h"

#include <algorithm>
#include <cmath>

namespace
{
	constexpr unsigned char kFar = 0xff;

	// A range of columns, both ends included.
	struct ColumnWindow
	{
		int x0 = 0;
		int z0 = 0;
		int x1 = -1;
		int z1 = -1;

		bool Empty() const { return x1 < x0 || z1 < z0; }
		void Add(int x, int z)
		{
			if (Empty())
			{
				x0 = x1 = x;
				z0 = z1 = z;
				return;
			}
			x0 = std::min(x0, x);
			x1 = std::max(x1, x);
			z0 = std::min(z0, z);
			z1 = std::max(z1, z);
		}
		ColumnWindow Grown(int by, int width, int height) const
		{
			return {std::max(0, x0 - by), std::max(0, z0 - by), std::min(width - 1, x1 + by), std::min(height - 1, z1 + by)};
		}
	};

	// The columns under a box, clamped to the field; empty when it misses the field.
	ColumnWindow BoxColumns(const rcCompactHeightfield& chf, const MarkedBox& box)
	{
		const auto column = [&chf](float coordinate, float origin) {
			return std::clamp(std::floor((static_cast<double>(coordinate) - origin) / chf.cs), -1.0, 1e6);
		};
		const double x0 = column(box.bmin[0], chf.bmin[0]);
		const double x1 = column(box.bmax[0], chf.bmin[0]);
		const double z0 = column(box.bmin[2], chf.bmin[2]);
		const double z1 = column(box.bmax[2], chf.bmin[2]);
		if (!(x1 >= 0 && z1 >= 0 && x0 < chf.width && z0 < chf.height))
			return {};
		return {std::max(0, static_cast<int>(x0)), std::max(0, static_cast<int>(z0)), std::min(chf.width - 1, static_cast<int>(x1)),
			std::min(chf.height - 1, static_cast<int>(z1))};
	}

	// Edge spans start at distance 0: unwalkable ones and those without four walkable neighbours.
	void SeedEdges(const rcCompactHeightfield& chf, const ColumnWindow& window, unsigned char* distance)
	{
		// Locals: a store through unsigned char may alias anything, so fields read through `chf`
		// would be loaded again after every write.
		const rcCompactCell* const cells = chf.cells;
		const rcCompactSpan* const spans = chf.spans;
		const unsigned char* const areas = chf.areas;
		const int width = chf.width;
		for (int z = window.z0; z <= window.z1; ++z)
			for (int x = window.x0; x <= window.x1; ++x)
			{
				const rcCompactCell& cell = cells[x + z * width];
				for (int i = static_cast<int>(cell.index), end = static_cast<int>(cell.index + cell.count); i < end; ++i)
				{
					if (areas[i] == RC_NULL_AREA)
					{
						distance[i] = 0;
						continue;
					}
					int walkableNeighbours = 0;
					for (int dir = 0; dir < 4; ++dir)
					{
						const int con = rcGetCon(spans[i], dir);
						if (con != RC_NOT_CONNECTED &&
							areas[cells[x + rcGetDirOffsetX(dir) + (z + rcGetDirOffsetY(dir)) * width].index + con] != RC_NULL_AREA)
							++walkableNeighbours;
					}
					if (walkableNeighbours != 4)
						distance[i] = 0;
				}
			}
	}

	// Direction and turn of each pass's two steps: the forward pass reads the -x and -z
	// neighbours, the backward pass the +x and +z ones.
	constexpr int kForward[2][2] = {{0, 3}, {3, 2}};
	constexpr int kBackward[2][2] = {{2, 1}, {1, 0}};

	// Recast's two chamfer passes over the window: 2 per step, 3 per diagonal, 255 at most.
	void ChamferPasses(const rcCompactHeightfield& chf, const ColumnWindow& window, unsigned char* distance)
	{
		const rcCompactCell* const cells = chf.cells;
		const rcCompactSpan* const spans = chf.spans;
		const int width = chf.width;
		// The distance that span i (in column (x, z)) gets through the span one step in `dir`,
		// plus 2, or through the span one more step in `turn` from there, plus 3.
		const auto reach = [cells, spans, width, distance](int x, int z, int i, int dir, int turn) {
			const int con = rcGetCon(spans[i], dir);
			if (con == RC_NOT_CONNECTED)
				return 255;
			const int ax = x + rcGetDirOffsetX(dir);
			const int az = z + rcGetDirOffsetY(dir);
			const int ai = static_cast<int>(cells[ax + az * width].index) + con;
			int result = distance[ai] + 2;
			if (const int turnCon = rcGetCon(spans[ai], turn); turnCon != RC_NOT_CONNECTED)
				result = std::min(result,
					distance[static_cast<int>(cells[ax + rcGetDirOffsetX(turn) + (az + rcGetDirOffsetY(turn)) * width].index) + turnCon] + 3);
			return result;
		};
		// A span at 0 (an edge) cannot get lower.
		const auto relaxColumn = [cells, width, distance, &reach](int x, int z, const int(&steps)[2][2]) {
			const rcCompactCell& cell = cells[x + z * width];
			for (int i = static_cast<int>(cell.index), end = static_cast<int>(cell.index + cell.count); i < end; ++i)
				if (distance[i] != 0)
				{
					const int through = std::min(reach(x, z, i, steps[0][0], steps[0][1]), reach(x, z, i, steps[1][0], steps[1][1]));
					distance[i] = static_cast<unsigned char>(std::min<int>(distance[i], through));
				}
		};
		for (int z = window.z0; z <= window.z1; ++z)
			for (int x = window.x0; x <= window.x1; ++x)
				relaxColumn(x, z, kForward);
		for (int z = window.z1; z >= window.z0; --z)
			for (int x = window.x1; x >= window.x0; --x)
				relaxColumn(x, z, kBackward);
	}
}

ReusedCompactField::~ReusedCompactField()
{
	field.cells = nullptr;
	field.spans = nullptr;
	field.areas = nullptr;
}

void ReusedCompactField::TakeSettings(const rcCompactHeightfield& source, int cut)
{
	field.width = source.width - 2 * cut;
	field.height = source.height - 2 * cut;
	field.spanCount = static_cast<int>(spans.size());
	field.walkableHeight = source.walkableHeight;
	field.walkableClimb = source.walkableClimb;
	field.borderSize = std::max(0, source.borderSize - cut);
	field.maxDistance = source.maxDistance;
	field.maxRegions = source.maxRegions;
	const float offset = static_cast<float>(cut) * source.cs;
	field.bmin[0] = source.bmin[0] + offset;
	field.bmin[1] = source.bmin[1];
	field.bmin[2] = source.bmin[2] + offset;
	field.bmax[0] = source.bmax[0] - offset;
	field.bmax[1] = source.bmax[1];
	field.bmax[2] = source.bmax[2] - offset;
	field.cs = source.cs;
	field.ch = source.ch;
	field.cells = cells.data();
	field.spans = spans.data();
	field.areas = areas.data();
}

void ReusedCompactField::CopyFrom(const rcCompactHeightfield& source)
{
	cells.assign(source.cells, source.cells + source.width * source.height);
	spans.assign(source.spans, source.spans + source.spanCount);
	areas.assign(source.areas, source.areas + source.spanCount);
	TakeSettings(source, 0);
}

void ReusedCompactField::ShareColumnsOf(const rcCompactHeightfield& source)
{
	areas.assign(source.areas, source.areas + source.spanCount);
	TakeSettings(source, 0);
	field.spanCount = source.spanCount;
	field.cells = source.cells;
	field.spans = source.spans;
}

void ReusedCompactField::CopyInside(const rcCompactHeightfield& source, int cut)
{
	const int width = source.width - 2 * cut;
	const int height = source.height - 2 * cut;
	cells.resize(static_cast<std::size_t>(width * height));
	spans.clear();
	areas.clear();
	// A compact field lays its spans out row after row, so the spans of a row's inner columns
	// are one run.
	for (int z = 0; z < height; ++z)
	{
		const rcCompactCell* row = source.cells + cut + (z + cut) * source.width;
		const unsigned first = row[0].index;
		const unsigned end = row[width - 1].index + row[width - 1].count;
		const auto shift = static_cast<unsigned>(spans.size()) - first;
		for (int x = 0; x < width; ++x)
		{
			rcCompactCell& to = cells[static_cast<std::size_t>(x + z * width)];
			to.index = row[x].index + shift;
			to.count = row[x].count;
		}
		spans.insert(spans.end(), source.spans + first, source.spans + end);
		areas.insert(areas.end(), source.areas + first, source.areas + end);
	}
	TakeSettings(source, cut);
	for (int z = 0; z < height; ++z)
	{
		// Only the outermost columns have links to cut.
		const int step = z == 0 || z == height - 1 ? 1 : std::max(1, width - 1);
		for (int x = 0; x < width; x += step)
		{
			const rcCompactCell& cell = cells[static_cast<std::size_t>(x + z * width)];
			for (unsigned i = cell.index, end = cell.index + cell.count; i < end; ++i)
				for (int dir = 0; dir < 4; ++dir)
				{
					const int nx = x + rcGetDirOffsetX(dir);
					const int nz = z + rcGetDirOffsetY(dir);
					if (nx < 0 || nz < 0 || nx >= width || nz >= height)
						rcSetCon(spans[i], dir, RC_NOT_CONNECTED);
				}
		}
	}
}

void ReusedCompactField::TakeAreasInside(const rcCompactHeightfield& source, int cut)
{
	for (int z = 0; z < field.height; ++z)
	{
		const rcCompactCell* row = source.cells + cut + (z + cut) * source.width;
		const unsigned first = row[0].index;
		const unsigned end = row[field.width - 1].index + row[field.width - 1].count;
		std::copy(source.areas + first, source.areas + end, field.areas + field.cells[z * field.width].index);
	}
}

bool DecodedTileField::Decode(rcContext* ctx, int walkableHeight, int walkableClimb, int innerCut, const unsigned char* lean)
{
	if (!BuildCompactFromLean(ctx, walkableHeight, walkableClimb, lean, field))
		return false;
	cut = std::clamp(innerCut, 0, (std::min(field.width, field.height) - 1) / 2);
	inside.CopyInside(field, cut);
	edgeDistance.assign(static_cast<std::size_t>(field.spanCount), kFar);
	const ColumnWindow whole{0, 0, field.width - 1, field.height - 1};
	SeedEdges(field, whole, edgeDistance.data());
	ChamferPasses(field, whole, edgeDistance.data());
	return true;
}

void DecodedTileField::MarkAndErode(rcContext* ctx, const std::vector<MarkedBox>& boxes, int radius, ReusedCompactField& work) const
{
	work.ShareColumnsOf(field);
	rcCompactHeightfield& chf = work.Field();
	for (const MarkedBox& box : boxes)
		rcMarkBoxArea(ctx, box.bmin, box.bmax, RC_NULL_AREA, chf);
	const int threshold = radius * 2;
	// The spans the boxes took.
	ColumnWindow marked;
	for (const MarkedBox& box : boxes)
	{
		// The box's columns and one more around them: the marking rounds them as it does.
		const ColumnWindow columns = BoxColumns(chf, box).Grown(1, chf.width, chf.height);
		for (int z = columns.z0; z <= columns.z1; ++z)
			for (int x = columns.x0; x <= columns.x1; ++x)
			{
				const rcCompactCell& cell = chf.cells[x + z * chf.width];
				for (unsigned i = cell.index, end = cell.index + cell.count; i < end; ++i)
					if (chf.areas[i] != field.areas[i])
						marked.Add(x, z);
			}
	}
	unsigned char* const areas = chf.areas;
	if (!marked.Empty() && threshold > 0)
	{
		// Marking only takes spans away, so the edges of the marked field are the old edges, whose
		// distances edgeDistance holds, and the marked spans and their neighbours: distances from
		// those alone are measured here, and the nearer of the two counts. A step costs at least 2,
		// so none of them brings a span more than `radius` columns away under the threshold.
		std::vector<unsigned char> distance(static_cast<std::size_t>(chf.spanCount), kFar);
		SeedEdges(chf, marked.Grown(1, chf.width, chf.height), distance.data());
		const ColumnWindow window = marked.Grown(radius, chf.width, chf.height);
		ChamferPasses(chf, window, distance.data());
		const rcCompactCell* const cells = chf.cells;
		for (int z = window.z0; z <= window.z1; ++z)
			for (int x = window.x0; x <= window.x1; ++x)
			{
				const rcCompactCell& cell = cells[x + z * chf.width];
				for (unsigned i = cell.index, end = cell.index + cell.count; i < end; ++i)
					if (distance[i] < threshold)
						areas[i] = RC_NULL_AREA;
			}
	}
	const unsigned char* const oldDistance = edgeDistance.data();
	for (int i = 0, count = chf.spanCount; i < count; ++i)
		areas[i] = oldDistance[i] < threshold ? RC_NULL_AREA : areas[i];
}

void DecodedTileField::CutInside(const rcCompactHeightfield& marked, ReusedCompactField& to) const
{
	// Shared, not copied: a copy per rebuild brought more cache misses than the steps after it.
	// The regions step writes its ids into the shared spans, which nothing else reads.
	to.ShareColumnsOf(inside.Field());
	to.TakeAreasInside(marked, cut);
}
