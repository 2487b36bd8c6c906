#include "Systems/Logic/MeshGeneration/LeanHeightfield.h"

#include <recastnavigation/RecastAlloc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace
{
	constexpr std::int64_t kHeaderSize = sizeof(LeanHeightfieldHeader);
	constexpr unsigned kFloorMask = 0x1fff;
	constexpr int kBucketShift = 13;
	// The free space above the highest span of a column reaches up to here.
	constexpr int kOpenTop = 0xffff;
	// A link names a neighbour's layer in 6 bits; 63 means "not connected".
	constexpr int kMaxLinkLayer = RC_NOT_CONNECTED - 1;

	std::int64_t RoundUp4(std::int64_t bytes)
	{
		return (bytes + 3) & ~std::int64_t{3};
	}

	// Offsets of the three arrays within a block.
	struct LeanLayout
	{
		std::int64_t counts = kHeaderSize;
		std::int64_t spans = 0;
		std::int64_t areas = 0;
		std::int64_t size = 0;

		LeanLayout(std::int64_t columns, std::int64_t spanCount)
		{
			spans = counts + RoundUp4(columns);
			areas = spans + RoundUp4(2 * spanCount);
			size = areas + RoundUp4(spanCount);
		}
	};

	unsigned short SpanWord(int floor, int freeSpace, int walkableHeight)
	{
		int bucket = 0;
		if (freeSpace >= walkableHeight)
			bucket = std::min(kLeanMaxBucket, (freeSpace - walkableHeight) / 2 + 1);
		return static_cast<unsigned short>((static_cast<unsigned>(floor) & kFloorMask) | (static_cast<unsigned>(bucket) << kBucketShift));
	}

	template <class T>
	T* AllocZeroed(std::size_t count)
	{
		void* memory = rcAlloc(count * sizeof(T), RC_ALLOC_PERM);
		if (memory != nullptr)
			std::memset(memory, 0, count * sizeof(T));
		return static_cast<T*>(memory);
	}

	bool Finite(const float* values, int count)
	{
		return std::all_of(values, values + count, [](float value) { return std::isfinite(value); });
	}
}

std::int64_t LeanHeightfieldSize(std::int64_t columns, std::int64_t spanCount)
{
	const std::int64_t size = LeanLayout(columns, spanCount).size;
	return size > std::numeric_limits<std::int32_t>::max() ? -1 : size;
}

std::vector<unsigned char> rcBuildLeanHeightfield(rcContext* ctx, rcHeightfield& hf, int walkableHeight)
{
	const int spanCount = rcGetHeightFieldSpanCount(ctx, hf);
	const std::int64_t columns = static_cast<std::int64_t>(hf.width) * hf.height;
	const std::int64_t size = LeanHeightfieldSize(columns, spanCount);
	std::vector<unsigned char> block;
	try
	{
		if (size < 0)
			throw std::bad_alloc();
		block.assign(static_cast<std::size_t>(size), 0);
	}
	catch (const std::bad_alloc&)
	{
		ctx->log(RC_LOG_ERROR, "rcBuildLeanHeightfield: Out of memory (%lld)", static_cast<long long>(size));
		return {};
	}
	const LeanLayout layout(columns, spanCount);
	LeanHeightfieldHeader header{hf.width, hf.height, spanCount, {}, {}, hf.cs, hf.ch, static_cast<std::int32_t>(size)};
	std::copy(hf.bmin, hf.bmin + 3, header.bmin);
	std::copy(hf.bmax, hf.bmax + 3, header.bmax);
	std::memcpy(block.data(), &header, sizeof(header));
	unsigned char* counts = block.data() + layout.counts;
	unsigned char* areas = block.data() + layout.areas;
	std::size_t next = 0;
	for (int z = 0; z < hf.height; ++z)
		for (int x = 0; x < hf.width; ++x)
		{
			const int column = x + z * hf.width;
			int stored = 0;
			for (const rcSpan* span = hf.spans[column]; span != nullptr; span = span->next)
			{
				if (span->area == RC_NULL_AREA)
					continue;
				if (stored == kLeanMaxColumnSpans)
				{
					ctx->log(RC_LOG_ERROR, "rcBuildLeanHeightfield: Column (%d, %d) holds more than %d spans", x, z, kLeanMaxColumnSpans);
					return {};
				}
				// Spans of area 0 are not stored, yet they still bound the head room below them.
				const int top = static_cast<int>(span->smax);
				const int above = span->next != nullptr ? static_cast<int>(span->next->smin) : kOpenTop;
				const unsigned short word = SpanWord(top, above - top, walkableHeight);
				std::memcpy(block.data() + layout.spans + 2 * static_cast<std::int64_t>(next), &word, sizeof(word));
				areas[next++] = span->area;
				++stored;
			}
			counts[column] = static_cast<unsigned char>(stored);
		}
	return block;
}

std::string CheckLeanHeightfield(const unsigned char* data, std::size_t size, int width, int height)
{
	if (data == nullptr || size < sizeof(LeanHeightfieldHeader))
		return "the block is shorter than its header";
	LeanHeightfieldHeader header;
	std::memcpy(&header, data, sizeof(header));
	if (header.width != width || header.height != height)
		return "it is " + std::to_string(header.width) + " x " + std::to_string(header.height) + " columns, not " +
			std::to_string(width) + " x " + std::to_string(height);
	if (header.width <= 0 || header.height <= 0 || header.spanCount < 0)
		return "its width, height or span count is not positive";
	const std::int64_t columns = static_cast<std::int64_t>(header.width) * header.height;
	const std::int64_t expected = LeanHeightfieldSize(columns, header.spanCount);
	if (expected < 0 || header.dataSize != expected || static_cast<std::int64_t>(size) != expected)
		return "its data size " + std::to_string(header.dataSize) + " of " + std::to_string(size) + " bytes is not what " +
			std::to_string(columns) + " columns and " + std::to_string(header.spanCount) + " spans take";
	if (!Finite(header.bmin, 3) || !Finite(header.bmax, 3) || !(header.cs > 0.0f) || !(header.ch > 0.0f) || !std::isfinite(header.cs) ||
		!std::isfinite(header.ch))
		return "its bounds or cell sizes are not finite positive numbers";
	const unsigned char* counts = data + kHeaderSize;
	std::int64_t total = 0;
	for (std::int64_t column = 0; column < columns; ++column)
		total += counts[column];
	if (total != header.spanCount)
		return "its column counts add up to " + std::to_string(total) + ", not " + std::to_string(header.spanCount) + " spans";
	return {};
}

bool BuildCompactFromLean(rcContext* ctx, int walkableHeight, int walkableClimb, const unsigned char* lean, rcCompactHeightfield& chf)
{
	LeanHeightfieldHeader header;
	std::memcpy(&header, lean, sizeof(header));
	const int w = header.width;
	const int h = header.height;
	const int spanCount = header.spanCount;
	const LeanLayout layout(static_cast<std::int64_t>(w) * h, spanCount);
	chf.width = w;
	chf.height = h;
	chf.spanCount = spanCount;
	chf.walkableHeight = walkableHeight;
	chf.walkableClimb = walkableClimb;
	chf.maxRegions = 0;
	std::copy(header.bmin, header.bmin + 3, chf.bmin);
	std::copy(header.bmax, header.bmax + 3, chf.bmax);
	chf.bmax[1] += static_cast<float>(walkableHeight) * header.ch;
	chf.cs = header.cs;
	chf.ch = header.ch;
	const std::size_t columns = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
	chf.cells = AllocZeroed<rcCompactCell>(columns);
	if (chf.cells == nullptr)
	{
		ctx->log(RC_LOG_ERROR, "rcBuildCompactHeightfield: Out of memory 'chf.cells' (%d)", w * h);
		return false;
	}
	chf.spans = AllocZeroed<rcCompactSpan>(static_cast<std::size_t>(spanCount));
	if (chf.spans == nullptr)
	{
		ctx->log(RC_LOG_ERROR, "rcBuildCompactHeightfield: Out of memory 'chf.spans' (%d)", spanCount);
		return false;
	}
	chf.areas = AllocZeroed<unsigned char>(static_cast<std::size_t>(spanCount));
	if (chf.areas == nullptr)
	{
		ctx->log(RC_LOG_ERROR, "rcBuildCompactHeightfield: Out of memory 'chf.areas' (%d)", spanCount);
		return false;
	}
	const unsigned char* counts = lean + layout.counts;
	const unsigned char* areas = lean + layout.areas;
	// Clearances above 255 cells do not fit the span's 8-bit height.
	const int maxClearance = 0xff;
	int index = 0;
	for (std::size_t column = 0; column < columns; ++column)
	{
		rcCompactCell& cell = chf.cells[column];
		cell.index = static_cast<unsigned>(index);
		cell.count = counts[column];
		for (int k = 0; k < counts[column]; ++k, ++index)
		{
			unsigned short word = 0;
			std::memcpy(&word, lean + layout.spans + 2 * static_cast<std::int64_t>(index), sizeof(word));
			const int bucket = word >> kBucketShift;
			rcCompactSpan& span = chf.spans[index];
			span.y = static_cast<unsigned short>(word & kFloorMask);
			span.h = static_cast<unsigned>(bucket == 0 ? 0 : std::min(maxClearance, (bucket - 1) * 2 + walkableHeight));
			chf.areas[index] = areas[index];
		}
	}
	int tooHighNeighbour = 0;
	for (int z = 0; z < h; ++z)
		for (int x = 0; x < w; ++x)
		{
			const rcCompactCell& cell = chf.cells[x + z * w];
			for (int i = static_cast<int>(cell.index), end = static_cast<int>(cell.index + cell.count); i < end; ++i)
			{
				rcCompactSpan& span = chf.spans[i];
				for (int dir = 0; dir < 4; ++dir)
				{
					rcSetCon(span, dir, RC_NOT_CONNECTED);
					const int nx = x + rcGetDirOffsetX(dir);
					const int nz = z + rcGetDirOffsetY(dir);
					if (nx < 0 || nz < 0 || nx >= w || nz >= h)
						continue;
					const rcCompactCell& neighbourCell = chf.cells[nx + nz * w];
					for (int k = static_cast<int>(neighbourCell.index), nk = static_cast<int>(neighbourCell.index + neighbourCell.count); k < nk; ++k)
					{
						const rcCompactSpan& neighbour = chf.spans[k];
						const int bottom = std::max<int>(span.y, neighbour.y);
						const int top = std::min<int>(span.y + span.h, neighbour.y + neighbour.h);
						if (top - bottom < walkableHeight || std::abs(static_cast<int>(neighbour.y) - static_cast<int>(span.y)) > walkableClimb)
							continue;
						const int layer = k - static_cast<int>(neighbourCell.index);
						if (layer > kMaxLinkLayer)
						{
							tooHighNeighbour = std::max(tooHighNeighbour, layer);
							continue;
						}
						rcSetCon(span, dir, layer);
						break;
					}
				}
			}
		}
	if (tooHighNeighbour > kMaxLinkLayer)
		ctx->log(RC_LOG_ERROR, "rcBuildCompactHeightfield: Heightfield has too many layers %d (max: %d)", tooHighNeighbour, kMaxLinkLayer);
	return true;
}
