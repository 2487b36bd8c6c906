// The lean heightfield: the packed form in which the navigation tile cache keeps a tile's filtered
// walkable spans between rebuilds. One block: a 48-byte header, one span count per column, then a
// 16-bit word (floor in bits 0-12, clearance bucket in bits 13-15) and an area byte per span, each
// array padded to 4 bytes. A compact heightfield for Recast's region, contour and polygon steps is
// rebuilt from it whenever the tile is rebuilt.
#pragma once

#include <recastnavigation/Recast.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LeanHeightfieldHeader
{
	std::int32_t width;
	std::int32_t height;
	std::int32_t spanCount;
	float bmin[3];
	float bmax[3];
	float cs;
	float ch;
	// The whole block, header included.
	std::int32_t dataSize;
};
static_assert(sizeof(LeanHeightfieldHeader) == 48);

// The clearance bucket tops out here: head room above walkableHeight + 12 cells is not kept.
constexpr int kLeanMaxBucket = 7;
// Columns hold at most this many spans: the count is one byte.
constexpr int kLeanMaxColumnSpans = 255;

// Bytes of a block of that many columns and spans; -1 past what an int32 dataSize holds.
std::int64_t LeanHeightfieldSize(std::int64_t columns, std::int64_t spanCount);

// The block of the heightfield's spans whose area is not 0; empty (with an error logged) when
// it cannot be allocated or a column holds more spans than a count byte takes.
std::vector<unsigned char> rcBuildLeanHeightfield(rcContext* ctx, rcHeightfield& hf, int walkableHeight);

// What is wrong with the block for a tile of width x height columns, or an empty text: the size
// and header fields the layout gives, spanCount the sum of the column counts, sane bounds.
std::string CheckLeanHeightfield(const unsigned char* data, std::size_t size, int width, int height);

// Fills an empty compact heightfield from a checked block: floors, clearances from the buckets,
// areas and the links between neighbouring spans. False (logged) when out of memory; more layers
// than a link can name are logged but are not a failure.
bool BuildCompactFromLean(rcContext* ctx, int walkableHeight, int walkableClimb, const unsigned char* lean, rcCompactHeightfield& chf);
