// Fuzzes the tile cache's lean heightfield check and decoder: the input is taken as LZ4-compressed
// block bytes, as a raw block, or as the columns and spans of a block put together from the bytes.
// Whatever passes the check must decode into a compact heightfield that Recast can erode, and a
// box marked and eroded on the kept decoded field must give the areas of the library's erosion.
#include "Systems/Logic/MeshGeneration/DecodedTileField.h"
#include "Systems/Logic/MeshGeneration/LeanHeightfield.h"

#include <lz4.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{
	// Columns and spans from the bytes: one count byte per column, then a word and an area per span.
	std::vector<unsigned char> Assembled(const std::uint8_t* data, std::size_t size)
	{
		if (size < 2)
			return {};
		const int width = 1 + data[0] % 24;
		const int height = 1 + data[1] % 24;
		std::size_t at = 2;
		std::vector<unsigned char> counts(static_cast<std::size_t>(width * height));
		int spans = 0;
		for (unsigned char& count : counts)
		{
			count = at < size ? data[at++] % 4 : 0;
			spans += count;
		}
		const std::int64_t blockSize = LeanHeightfieldSize(width * height, spans);
		std::vector<unsigned char> block(static_cast<std::size_t>(blockSize));
		const LeanHeightfieldHeader header{width, height, spans, {0, 0, 0}, {static_cast<float>(width), 50, static_cast<float>(height)}, 1.0f, 0.5f,
			static_cast<std::int32_t>(blockSize)};
		std::memcpy(block.data(), &header, sizeof(header));
		std::memcpy(block.data() + sizeof(header), counts.data(), counts.size());
		const std::size_t spanStart = sizeof(header) + ((counts.size() + 3) & ~std::size_t{3});
		const std::size_t areaStart = spanStart + ((2 * static_cast<std::size_t>(spans) + 3) & ~std::size_t{3});
		for (int span = 0; span < spans; ++span)
		{
			const unsigned short word = static_cast<unsigned short>(at + 1 < size ? data[at] | data[at + 1] << 8 : 0);
			at += 2;
			std::memcpy(block.data() + spanStart + 2 * static_cast<std::size_t>(span), &word, sizeof(word));
			block[areaStart + static_cast<std::size_t>(span)] = at < size && (data[at++] & 1) != 0 ? RC_WALKABLE_AREA : 0;
		}
		return block;
	}

	// Whether `inside` holds the columns of `whole` inside `cut` on every side, with their areas.
	bool HoldsTheInnerColumns(const rcCompactHeightfield& whole, const rcCompactHeightfield& inside, int cut)
	{
		if (inside.width != whole.width - 2 * cut || inside.height != whole.height - 2 * cut)
			return false;
		for (int z = 0; z < inside.height; ++z)
			for (int x = 0; x < inside.width; ++x)
			{
				const rcCompactCell& from = whole.cells[x + cut + (z + cut) * whole.width];
				const rcCompactCell& to = inside.cells[x + z * inside.width];
				if (from.count != to.count || !std::equal(whole.areas + from.index, whole.areas + from.index + from.count, inside.areas + to.index))
					return false;
			}
		return true;
	}

	void Decode(const std::vector<unsigned char>& block)
	{
		if (block.size() < sizeof(LeanHeightfieldHeader))
			return;
		LeanHeightfieldHeader header;
		std::memcpy(&header, block.data(), sizeof(header));
		if (!CheckLeanHeightfield(block.data(), block.size(), header.width, header.height).empty())
			return;
		// Columns the tile build never makes would only make the run slow.
		if (static_cast<std::int64_t>(header.width) * header.height > 256 * 256)
			return;
		rcContext context(false);
		rcCompactHeightfield* compact = rcAllocCompactHeightfield();
		DecodedTileField decoded;
		// The library's later steps are left out: blocks of any shape reach them here, while the
		// cache only hands them blocks of its tile's size.
		const int cut = header.height % 3;
		if (BuildCompactFromLean(&context, 4, 1, block.data(), *compact) && decoded.Decode(&context, 4, 1, cut, block.data()))
		{
			// A rebuild's marking and erosion near the box must give the library's own areas.
			float bmin[3];
			float bmax[3];
			for (int axis = 0; axis < 3; ++axis)
			{
				bmin[axis] = header.bmin[axis] + (header.bmax[axis] - header.bmin[axis]) * 0.3f;
				bmax[axis] = header.bmin[axis] + (header.bmax[axis] - header.bmin[axis]) * 0.6f;
			}
			const int radius = 1 + header.width % 3;
			ReusedCompactField work;
			decoded.MarkAndErode(&context, {{bmin, bmax}}, radius, work);
			rcMarkBoxArea(&context, bmin, bmax, RC_NULL_AREA, *compact);
			rcErodeWalkableArea(&context, radius, *compact);
			if (work.Field().spanCount != compact->spanCount ||
				!std::equal(compact->areas, compact->areas + compact->spanCount, work.Field().areas))
				__builtin_trap();
			ReusedCompactField inside;
			decoded.CutInside(work.Field(), inside);
			const int kept = std::clamp(cut, 0, (std::min(header.width, header.height) - 1) / 2);
			if (!HoldsTheInnerColumns(work.Field(), inside.Field(), kept))
				__builtin_trap();
		}
		rcFreeCompactHeightfield(compact);
	}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	if (size < 1)
		return 0;
	const std::uint8_t mode = data[0] % 3;
	++data;
	--size;
	if (mode == 0)
	{
		std::vector<unsigned char> raw(1 << 16);
		const int length = LZ4_decompress_safe(reinterpret_cast<const char*>(data), reinterpret_cast<char*>(raw.data()), static_cast<int>(size),
			static_cast<int>(raw.size()));
		if (length < 0)
			return 0;
		raw.resize(static_cast<std::size_t>(length));
		Decode(raw);
	}
	else if (mode == 1)
		Decode(std::vector<unsigned char>(data, data + size));
	else
		Decode(Assembled(data, size));
	return 0;
}
