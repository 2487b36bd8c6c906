#include "Systems/Logic/MeshGeneration/DecodedTileField.h"

#include "Systems/Logic/MeshGeneration/LeanHeightfield.h"
#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace
{
	constexpr int kSide = 48;
	constexpr int kWalkableHeight = 4;
	constexpr int kWalkableClimb = 1;

	struct DecodedHeightfieldDeleter
	{
		void operator()(rcHeightfield* field) const { rcFreeHeightField(field); }
	};
	struct CompactDeleter
	{
		void operator()(rcCompactHeightfield* field) const { rcFreeCompactHeightfield(field); }
	};

	// Ground rising a cell every six columns, with pillars, holes, unwalkable patches and a bridge
	// over part of it, all placed by the seed.
	std::vector<unsigned char> RoughTile(unsigned seed)
	{
		tw::SeedRand(seed);
		rcContext context(false);
		std::unique_ptr<rcHeightfield, DecodedHeightfieldDeleter> field(rcAllocHeightfield());
		const float bmin[3] = {0, 0, 0};
		const float bmax[3] = {kSide, 100, kSide};
		rcCreateHeightfield(&context, *field, kSide, kSide, bmin, bmax, 1.0f, 0.5f);
		for (int z = 0; z < kSide; ++z)
			for (int x = 0; x < kSide; ++x)
			{
				const int roll = tw::Rand() % 300;
				if (roll == 0)
					continue;
				const auto floor = static_cast<unsigned short>(x / 6 + (roll == 1 ? 10 : 0));
				rcAddSpan(&context, *field, x, z, 0, floor, roll == 2 ? RC_NULL_AREA : RC_WALKABLE_AREA, 1);
				if (x > 10 && x < 30 && z > 20 && z < 26)
					rcAddSpan(&context, *field, x, z, 20, 22, RC_WALKABLE_AREA, 1);
			}
		return rcBuildLeanHeightfield(&context, *field, kWalkableHeight);
	}

	// The decoded field marked and eroded by a rebuild gives the areas of the library's own steps:
	// the boxes marked on the whole field, then rcErodeWalkableArea.
	TEST(DecodedTileField, MarkAndErodeMatchesMarkingThenTheLibrarysErosion)
	{
		const float middle[6] = {20, 0, 20, 23, 50, 24};
		const float edge[6] = {-3, 0, 40, 2, 50, 50};
		const float bridge[6] = {12, 9, 21, 16, 12, 25};
		const float everything[6] = {-1, -1, -1, 60, 60, 60};
		const float above[6] = {5, 80, 5, 40, 90, 40};
		const std::vector<std::vector<const float*>> boxSets = {{}, {middle}, {edge}, {middle, bridge}, {everything}, {above}};
		ReusedCompactField work;
		rcContext context(false);
		for (unsigned seed = 1; seed <= 6; ++seed)
		{
			const std::vector<unsigned char> lean = RoughTile(seed);
			DecodedTileField decoded;
			ASSERT_TRUE(decoded.Decode(&context, kWalkableHeight, kWalkableClimb, 0, lean.data()));
			for (const int radius : {0, 1, 5})
				for (std::size_t set = 0; set < boxSets.size(); ++set)
				{
					SCOPED_TRACE("seed " + std::to_string(seed) + ", radius " + std::to_string(radius) + ", boxes " + std::to_string(set));
					std::vector<MarkedBox> boxes;
					for (const float* box : boxSets[set])
						boxes.push_back({box, box + 3});
					decoded.MarkAndErode(&context, boxes, radius, work);
					std::unique_ptr<rcCompactHeightfield, CompactDeleter> expected(rcAllocCompactHeightfield());
					ASSERT_TRUE(BuildCompactFromLean(&context, kWalkableHeight, kWalkableClimb, lean.data(), *expected));
					for (const MarkedBox& box : boxes)
						rcMarkBoxArea(&context, box.bmin, box.bmax, RC_NULL_AREA, *expected);
					ASSERT_TRUE(rcErodeWalkableArea(&context, radius, *expected));
					const rcCompactHeightfield& actual = work.Field();
					ASSERT_EQ(actual.spanCount, expected->spanCount);
					int walkable = 0;
					for (int i = 0; i < expected->spanCount; ++i)
					{
						ASSERT_EQ(actual.areas[i], expected->areas[i]) << "span " << i;
						ASSERT_EQ(actual.spans[i].con, expected->spans[i].con) << "span " << i;
						walkable += expected->areas[i] != RC_NULL_AREA ? 1 : 0;
					}
					if (set == 4)
						EXPECT_EQ(walkable, 0);
				}
		}
	}

	struct ContourSetDeleter
	{
		void operator()(rcContourSet* contours) const { rcFreeContourSet(contours); }
	};
	struct PolyMeshDeleter
	{
		void operator()(rcPolyMesh* mesh) const { rcFreePolyMesh(mesh); }
	};

	// Regions, contours and polygons of a field with a border of `borderSize` columns.
	std::unique_ptr<rcPolyMesh, PolyMeshDeleter> Polygons(rcCompactHeightfield& field, int borderSize)
	{
		rcContext context(false);
		std::unique_ptr<rcContourSet, ContourSetDeleter> contours(rcAllocContourSet());
		std::unique_ptr<rcPolyMesh, PolyMeshDeleter> mesh(rcAllocPolyMesh());
		EXPECT_TRUE(rcBuildRegionsMonotone(&context, field, borderSize, 8, 20));
		EXPECT_TRUE(rcBuildContours(&context, field, 1.3f, 12, *contours));
		EXPECT_TRUE(rcBuildPolyMesh(&context, *contours, 6, *mesh));
		return mesh;
	}

	// The rebuild cuts the border down to its innermost column before the regions: the polygons
	// must be those of the whole field, vertex for vertex, with the same regions and areas.
	TEST(DecodedTileField, TheFieldCutToItsInnermostBorderColumnGivesTheWholeFieldsPolygons)
	{
		constexpr int kBorder = 8;
		const float middle[6] = {20, 0, 20, 23, 50, 24};
		const float acrossTheBorder[6] = {5, 0, 30, 10, 50, 33};
		const float bridge[6] = {12, 9, 21, 16, 12, 25};
		const std::vector<std::vector<const float*>> boxSets = {{}, {middle}, {acrossTheBorder, bridge}};
		rcContext context(false);
		ReusedCompactField whole;
		ReusedCompactField wholeCopy;
		ReusedCompactField inside;
		int polygons = 0;
		for (unsigned seed = 1; seed <= 6; ++seed)
		{
			const std::vector<unsigned char> lean = RoughTile(seed);
			DecodedTileField decoded;
			ASSERT_TRUE(decoded.Decode(&context, kWalkableHeight, kWalkableClimb, kBorder - 1, lean.data()));
			for (std::size_t set = 0; set < boxSets.size(); ++set)
			{
				SCOPED_TRACE("seed " + std::to_string(seed) + ", boxes " + std::to_string(set));
				std::vector<MarkedBox> boxes;
				for (const float* box : boxSets[set])
					boxes.push_back({box, box + 3});
				decoded.MarkAndErode(&context, boxes, 2, whole);
				wholeCopy.CopyFrom(whole.Field());
				decoded.CutInside(whole.Field(), inside);
				const auto expected = Polygons(wholeCopy.Field(), kBorder);
				const auto actual = Polygons(inside.Field(), 1);
				ASSERT_EQ(actual->nverts, expected->nverts);
				ASSERT_EQ(actual->npolys, expected->npolys);
				ASSERT_EQ(actual->nvp, expected->nvp);
				EXPECT_TRUE(std::equal(actual->verts, actual->verts + 3 * actual->nverts, expected->verts));
				EXPECT_TRUE(std::equal(actual->polys, actual->polys + 2 * actual->nvp * actual->npolys, expected->polys));
				EXPECT_TRUE(std::equal(actual->regs, actual->regs + actual->npolys, expected->regs));
				EXPECT_TRUE(std::equal(actual->areas, actual->areas + actual->npolys, expected->areas));
				polygons += expected->npolys;
			}
		}
		EXPECT_GT(polygons, 18 * 4) << "the tiles must have polygons to compare";
	}
}
