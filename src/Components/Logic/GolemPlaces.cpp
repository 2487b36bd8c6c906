#include "Components/Logic/GolemPlaces.h"

#include "Components/Logic/GameplayRules.h"
#include "Utilities/Diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace
{
	// Cell coordinates are clamped so that huge or infinite positions stay in a cell; clamping keeps
	// the order of coordinates, so a box still covers the cell of every position inside it.
	constexpr double kCellLimit = 1e12;
	// A box spanning more cells than this is answered by walking the whole list.
	constexpr std::int64_t kMaxQueryCells = 64;

	struct Cell
	{
		std::int64_t x, y, z;
		bool operator==(const Cell&) const = default;
	};

	struct CellHash
	{
		std::size_t operator()(const Cell& cell) const
		{
			// Unsigned, so that far cells wrap instead of overflowing.
			const auto x = static_cast<std::uint64_t>(cell.x), y = static_cast<std::uint64_t>(cell.y), z = static_cast<std::uint64_t>(cell.z);
			return static_cast<std::size_t>(x * 73856093u ^ y * 19349663u ^ z * 83492791u);
		}
	};

	float ReadFloat(const std::uint8_t* bytes)
	{
		std::uint32_t bits = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
			static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
		float value;
		std::memcpy(&value, &bits, sizeof(value));
		return value;
	}

	std::uint32_t ReadUnsigned(const std::uint8_t* bytes)
	{
		return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
			static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
	}

	std::int64_t CellCoordinate(float value, double cellSize)
	{
		const double cell = std::floor(static_cast<double>(value) / cellSize);
		// A NaN bound (an infinite box about an infinite place) bounds no place: any cell will do.
		if (std::isnan(cell))
			return 0;
		return static_cast<std::int64_t>(std::clamp(cell, -kCellLimit, kCellLimit));
	}

	double CellSize(float halfExtent)
	{
		// Any positive size finds the same places; the box's own size keeps each query to a few cells.
		return halfExtent > 0.0f && std::isfinite(halfExtent) ? 2.0 * static_cast<double>(halfExtent) : 1.0;
	}

	// The walk over the list, one current place at a time, kept as ids into the places as read so
	// that each place is moved by id and not copied while it is erased.
	class PruneWalk
	{
	public:
		PruneWalk(const GolemPlaces::Places& places, const std::string& headBone, const Tuple3f& halfExtent, const Tuple3f& scale)
			: places(places), headBone(headBone), halfExtent(halfExtent),
			  cellSize{CellSize(halfExtent.x), CellSize(halfExtent.y), CellSize(halfExtent.z)}
		{
			const std::size_t count = places.size();
			order.resize(count);
			positionOf.resize(count);
			erased.assign(count, false);
			marked.assign(count, false);
			scaled.resize(count);
			for (std::uint32_t id = 0; id < count; ++id)
			{
				order[id] = id;
				positionOf[id] = id;
				scaled[id] = Tuple3f(places[id].position.x * scale.x, places[id].position.y * scale.y, places[id].position.z * scale.z);
				// A NaN position lies in no box, so it is never a candidate.
				if (!std::isnan(scaled[id].x) && !std::isnan(scaled[id].y) && !std::isnan(scaled[id].z))
					grid[CellOf(scaled[id])].push_back(id);
			}
		}

		GolemPlaces::Places Run()
		{
			for (std::size_t i = 0; i < order.size(); ++i)
			{
				while (i < order.size() && places[order[i]].bone == headBone)
					EraseAt(i);
				if (i < order.size())
					EraseAround(order[i]);
			}
			GolemPlaces::Places kept;
			kept.reserve(order.size());
			for (const std::uint32_t id : order)
				kept.push_back(places[id]);
			return kept;
		}

	private:
		Cell CellOf(const Tuple3f& position) const
		{
			return {CellCoordinate(position.x, cellSize[0]), CellCoordinate(position.y, cellSize[1]),
				CellCoordinate(position.z, cellSize[2])};
		}

		bool Inside(const Tuple3f& low, const Tuple3f& high, std::uint32_t id) const
		{
			const Tuple3f& q = scaled[id];
			return low.x <= q.x && q.x <= high.x && low.y <= q.y && q.y <= high.y && low.z <= q.z && q.z <= high.z;
		}

		// The unordered erase at a position: the last place moves into the hole.
		void EraseAt(std::size_t position)
		{
			erased[order[position]] = true;
			order[position] = order.back();
			positionOf[order[position]] = static_cast<std::uint32_t>(position);
			order.pop_back();
		}

		// Erases every other place in the current place's box in the order a front-to-back scan of
		// the list meets them: a scan reaching a position that holds one erases it and looks at the
		// place moved there, which is either erased too or left standing.
		void EraseAround(std::uint32_t current)
		{
			const Tuple3f low = scaled[current] - halfExtent;
			const Tuple3f high = scaled[current] + halfExtent;
			std::vector<std::uint32_t>& inBox = candidates;
			inBox.clear();
			Gather(current, low, high, inBox);
			if (inBox.empty())
				return;
			for (const std::uint32_t id : inBox)
				marked[id] = true;
			std::sort(inBox.begin(), inBox.end(), [this](std::uint32_t a, std::uint32_t b) { return positionOf[a] < positionOf[b]; });
			for (const std::uint32_t id : inBox)
			{
				if (erased[id])
					continue;
				const std::size_t position = positionOf[id];
				while (position < order.size() && marked[order[position]])
					EraseAt(position);
			}
			for (const std::uint32_t id : inBox)
				marked[id] = false;
		}

		void Gather(std::uint32_t current, const Tuple3f& low, const Tuple3f& high, std::vector<std::uint32_t>& inBox) const
		{
			// A negative or NaN half extent makes a box that holds nothing.
			if (!(halfExtent.x >= 0.0f && halfExtent.y >= 0.0f && halfExtent.z >= 0.0f))
				return;
			const Cell from = CellOf(low);
			const Cell to = CellOf(high);
			const std::int64_t spanX = to.x - from.x + 1, spanY = to.y - from.y + 1, spanZ = to.z - from.z + 1;
			if (spanX <= 0 || spanY <= 0 || spanZ <= 0)
				return;
			if (spanX > kMaxQueryCells || spanY > kMaxQueryCells || spanZ > kMaxQueryCells ||
				spanX * spanY * spanZ > kMaxQueryCells)
			{
				for (const std::uint32_t id : order)
					if (id != current && Inside(low, high, id))
						inBox.push_back(id);
				return;
			}
			for (std::int64_t x = from.x; x <= to.x; ++x)
				for (std::int64_t y = from.y; y <= to.y; ++y)
					for (std::int64_t z = from.z; z <= to.z; ++z)
					{
						const auto cell = grid.find(Cell{x, y, z});
						if (cell == grid.end())
							continue;
						for (const std::uint32_t id : cell->second)
							if (id != current && !erased[id] && Inside(low, high, id))
								inBox.push_back(id);
					}
		}

		const GolemPlaces::Places& places;
		const std::string& headBone;
		const Tuple3f halfExtent;
		const double cellSize[3];
		std::vector<std::uint32_t> order;
		std::vector<std::uint32_t> positionOf;
		std::vector<bool> erased;
		std::vector<Tuple3f> scaled;
		std::unordered_map<Cell, std::vector<std::uint32_t>, CellHash> grid;
		std::vector<std::uint32_t> candidates;
		// The places in the current box, while it is pruned.
		std::vector<bool> marked;
	};
}

GolemPlaces::Places GolemPlaces::Read(const Model::ModelData& model, const std::string& modelName)
{
	Places places;
	const Model::Mesh& mesh = model.mesh;
	if (mesh.formatId != kPlaceFormat || mesh.stride != kPlaceStride)
	{
		tw::Diagnostics::Report("Golem: model \"" + modelName + "\" has vertex format " + std::to_string(mesh.formatId) +
			" with stride " + std::to_string(mesh.stride) + ", not format 2 with stride 16: it gives no scrap places");
		return places;
	}
	const std::size_t boneCount = model.skeleton.bones.size();
	const std::size_t records = mesh.vertices.size() / kPlaceStride;
	std::size_t badBones = 0;
	std::size_t badPositions = 0;
	places.reserve(records);
	for (std::size_t record = 0; record < records; ++record)
	{
		const std::uint8_t* bytes = mesh.vertices.data() + record * kPlaceStride;
		const Tuple3f position(ReadFloat(bytes), ReadFloat(bytes + 4), ReadFloat(bytes + 8));
		const std::uint32_t bone = ReadUnsigned(bytes + 12);
		if (!IsFinite(position))
			++badPositions;
		else if (bone >= boneCount)
			++badBones;
		else
			places.push_back({position, model.skeleton.bones[bone]->name});
	}
	if (badBones > 0)
		tw::Diagnostics::Report("Golem: model \"" + modelName + "\": " + std::to_string(badBones) +
			" vertices name a bone past its " + std::to_string(boneCount) + " bones and give no scrap place");
	if (badPositions > 0)
		tw::Diagnostics::Report("Golem: model \"" + modelName + "\": " + std::to_string(badPositions) +
			" vertices have a non-finite position and give no scrap place");
	return places;
}

void GolemPlaces::Prune(Places& places, const std::string& headBone, const Tuple3f& halfExtent, const Tuple3f& scale)
{
	places = PruneWalk(places, headBone, halfExtent, scale).Run();
	// A head place moved into a hole behind the walk is never walked itself; it must still go.
	std::erase_if(places, [&headBone](const GolemPoints::PointDescription& place) { return place.bone == headBone; });
}
