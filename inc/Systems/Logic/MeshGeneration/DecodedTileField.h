// A tile's compact heightfield as decoded from its lean block, kept between rebuilds together with
// every span's distance to the edge of the walkable area. A rebuild copies it into a working field
// and, after marking obstacle boxes, measures distances again only near the marked spans: the
// erosion of the whole tile is done once, when the tile is decoded.
#pragma once

#include <recastnavigation/Recast.h>

#include <vector>

// A compact heightfield whose arrays are kept and reused by every copy into it.
class ReusedCompactField
{
public:
	ReusedCompactField() = default;
	// The arrays are the vectors': the library's destructor must not free them.
	~ReusedCompactField();
	ReusedCompactField(const ReusedCompactField&) = delete;
	ReusedCompactField& operator=(const ReusedCompactField&) = delete;

	// Makes the field a copy of `source`: cells, spans, areas and settings.
	void CopyFrom(const rcCompactHeightfield& source);
	// Makes the field one over the cells and spans of `source` (which must outlive its use and is
	// not written: marking boxes writes areas alone) with a copy of its areas.
	void ShareColumnsOf(const rcCompactHeightfield& source);
	// Makes the field a copy of `source` without `cut` columns on every side; links to the columns
	// cut away become unconnected.
	void CopyInside(const rcCompactHeightfield& source, int cut);
	// Takes the areas of the columns of `source` inside `cut` on every side; the field must be a
	// copy of `source`'s columns cut that way, as marking and eroding change areas alone.
	void TakeAreasInside(const rcCompactHeightfield& source, int cut);
	rcCompactHeightfield& Field() { return field; }
	const rcCompactHeightfield& Field() const { return field; }

private:
	// The settings of `source` with `cut` columns taken off every side; the arrays are the vectors'.
	void TakeSettings(const rcCompactHeightfield& source, int cut);

	rcCompactHeightfield field;
	std::vector<rcCompactCell> cells;
	std::vector<rcCompactSpan> spans;
	std::vector<unsigned char> areas;
};

// An obstacle's box, min xyz and max xyz.
struct MarkedBox
{
	const float* bmin;
	const float* bmax;
};

class DecodedTileField
{
public:
	DecodedTileField() = default;
	DecodedTileField(const DecodedTileField&) = delete;
	DecodedTileField& operator=(const DecodedTileField&) = delete;

	// Builds the compact heightfield of a checked lean block, its edge distances and its copy
	// without `cut` columns on every side (at most what leaves one column); false (logged) when out
	// of memory.
	bool Decode(rcContext* ctx, int walkableHeight, int walkableClimb, int cut, const unsigned char* lean);

	// Copies the decoded field into `work`, marks every box (rcMarkBoxArea's rules) unwalkable and erodes by `radius` cells: the same areas as rcMarkBoxArea on the decoded
	// field followed by rcErodeWalkableArea.
	void MarkAndErode(rcContext* ctx, const std::vector<MarkedBox>& boxes, int radius, ReusedCompactField& work) const;

	// Makes `inside` the field `marked` (what MarkAndErode made of this field) without the columns
	// cut at decoding: links to them unconnected. It shares this field's cut cells and spans, so
	// it serves until the next call and the spans' region ids are its own to write.
	void CutInside(const rcCompactHeightfield& marked, ReusedCompactField& inside) const;

private:
	// Its destructor frees the arrays.
	rcCompactHeightfield field;
	// Recast's chamfer distance (2 per step, 3 per diagonal, 255 at most) to the nearest span that
	// is unwalkable or lacks a walkable neighbour.
	std::vector<unsigned char> edgeDistance;
	// The field without the cut columns: its cells and spans serve every rebuild, which only
	// changes areas; the spans' region ids are scratch for the rebuild in progress.
	ReusedCompactField inside;
	int cut = 0;
};
