#include "Systems/Logic/MeshGeneration/LeanHeightfield.h"

#include "Systems/Logic/NavTestLevels.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace
{
	constexpr int kLeanWalkableHeight = 4;
	constexpr int kLeanWalkableClimb = 1;

	struct LeanHeightfieldDeleter
	{
		void operator()(rcHeightfield* field) const { rcFreeHeightField(field); }
	};
	struct LeanCompactDeleter
	{
		void operator()(rcCompactHeightfield* field) const { rcFreeCompactHeightfield(field); }
	};
	using Heightfield = std::unique_ptr<rcHeightfield, LeanHeightfieldDeleter>;
	using Compact = std::unique_ptr<rcCompactHeightfield, LeanCompactDeleter>;

	Heightfield Columns(int width, int height)
	{
		rcContext context(false);
		Heightfield field(rcAllocHeightfield());
		const float bmin[3] = {0, 0, 0};
		const float bmax[3] = {static_cast<float>(width), 100, static_cast<float>(height)};
		rcCreateHeightfield(&context, *field, width, height, bmin, bmax, 1.0f, 0.5f);
		return field;
	}

	Compact FromLean(const std::vector<unsigned char>& lean, rcContext& context)
	{
		Compact compact(rcAllocCompactHeightfield());
		EXPECT_TRUE(BuildCompactFromLean(&context, kLeanWalkableHeight, kLeanWalkableClimb, lean.data(), *compact));
		return compact;
	}

	unsigned short SpanWord(const std::vector<unsigned char>& lean, int columns, int index)
	{
		unsigned short word = 0;
		std::memcpy(&word, lean.data() + 48 + ((columns + 3) & ~3) + 2 * index, sizeof(word));
		return word;
	}

	TEST(LeanHeightfield, ClearanceBucketFollowsTheFreeSpaceAboveAndTheCompactClearanceFromIt)
	{
		constexpr int kOpen = -1;
		const struct
		{
			int freeSpace, bucket, clearance;
		} cases[] = {{kOpen, 7, kLeanWalkableHeight + 12}, {kLeanWalkableHeight - 1, 0, 0}, {kLeanWalkableHeight, 1, kLeanWalkableHeight},
			{kLeanWalkableHeight + 1, 1, kLeanWalkableHeight}, {kLeanWalkableHeight + 2, 2, kLeanWalkableHeight + 2}, {kLeanWalkableHeight + 12, 7, kLeanWalkableHeight + 12},
			{kLeanWalkableHeight + 40, 7, kLeanWalkableHeight + 12}};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.freeSpace);
			rcContext context(false);
			Heightfield field = Columns(1, 1);
			rcAddSpan(&context, *field, 0, 0, 0, 10, RC_WALKABLE_AREA, 1);
			if (c.freeSpace != kOpen)
				rcAddSpan(&context, *field, 0, 0, static_cast<unsigned short>(10 + c.freeSpace), static_cast<unsigned short>(12 + c.freeSpace), RC_NULL_AREA, 1);
			const std::vector<unsigned char> lean = rcBuildLeanHeightfield(&context, *field, kLeanWalkableHeight);
			ASSERT_EQ(CheckLeanHeightfield(lean.data(), lean.size(), 1, 1), "");
			EXPECT_EQ(SpanWord(lean, 1, 0), 10 | (c.bucket << 13)) << "only the walkable span is kept";
			const Compact compact = FromLean(lean, context);
			ASSERT_EQ(compact->spanCount, 1);
			EXPECT_EQ(compact->spans[0].h, static_cast<unsigned>(c.clearance));
		}
	}

	TEST(LeanHeightfield, BlockLayoutPadsEveryArrayToFourBytesAndCountsColumnsInRowOrder)
	{
		rcContext context(false);
		Heightfield field = Columns(3, 2);
		rcAddSpan(&context, *field, 1, 0, 0, 2, RC_WALKABLE_AREA, 1);
		rcAddSpan(&context, *field, 2, 1, 0, 2, 7, 1);
		rcAddSpan(&context, *field, 2, 1, 20, 22, RC_WALKABLE_AREA, 1);
		const std::vector<unsigned char> lean = rcBuildLeanHeightfield(&context, *field, kLeanWalkableHeight);
		EXPECT_EQ(lean.size(), 48u + 8 + 8 + 4);
		EXPECT_EQ(std::vector<int>(lean.begin() + 48, lean.begin() + 54), (std::vector<int>{0, 1, 0, 0, 0, 2}));
		EXPECT_EQ(std::vector<int>(lean.begin() + 64, lean.begin() + 67), (std::vector<int>{RC_WALKABLE_AREA, 7, RC_WALKABLE_AREA}));
		EXPECT_EQ(LeanHeightfieldSize(6, 3), 68);
		EXPECT_EQ(LeanHeightfieldSize(1LL << 31, 0), -1) << "past an int32 data size";
	}

	TEST(LeanHeightfield, CheckRefusesEveryDamagedBlock)
	{
		rcContext context(false);
		Heightfield field = Columns(2, 2);
		rcAddSpan(&context, *field, 0, 0, 0, 2, RC_WALKABLE_AREA, 1);
		const std::vector<unsigned char> good = rcBuildLeanHeightfield(&context, *field, kLeanWalkableHeight);
		ASSERT_EQ(CheckLeanHeightfield(good.data(), good.size(), 2, 2), "");
		const auto patched = [&](std::size_t offset, std::int32_t value) {
			std::vector<unsigned char> block = good;
			std::memcpy(block.data() + offset, &value, sizeof(value));
			return block;
		};
		const float nan = std::numeric_limits<float>::quiet_NaN();
		std::int32_t nanBits = 0;
		std::memcpy(&nanBits, &nan, sizeof(nan));
		const std::vector<std::vector<unsigned char>> damaged = {{good.begin(), good.begin() + 40}, patched(0, 3), patched(4, 1),
			patched(8, 2), patched(44, 4096), patched(36, nanBits), patched(48, 0x00000101), {good.begin(), good.end() - 4}};
		for (const auto& block : damaged)
			EXPECT_NE(CheckLeanHeightfield(block.data(), block.size(), 2, 2), "");
		EXPECT_NE(CheckLeanHeightfield(good.data(), good.size(), 3, 2), "") << "a block of another tile size";
	}

	// The floors, areas and links of the compact heightfield built from the lean block are the
	// library's own from the same heightfield; clearances agree below the bucket cap.
	TEST(CompactFromLean, MatchesTheLibrarysOwnCompactHeightfield)
	{
		const auto plane = [](std::vector<Tuple3f>& v, std::vector<IndexTriple>& t) { test::AddFloor(v, t, 0, 0, 10, 10); };
		const auto stairs = [](std::vector<Tuple3f>& v, std::vector<IndexTriple>& t) {
			for (int step = 0; step < 8; ++step)
				test::AddFloor(v, t, static_cast<float>(step), 0, static_cast<float>(step + 1), 10, 0.4f * static_cast<float>(step));
		};
		const auto overhang = [](std::vector<Tuple3f>& v, std::vector<IndexTriple>& t) {
			test::AddFloor(v, t, 0, 0, 10, 10);
			test::AddFloor(v, t, 2, 2, 7, 7, 2.5f);
			test::AddFloor(v, t, 4, 0, 6, 10, 1.2f);
		};
		for (const auto& build : {+plane, +stairs, +overhang})
		{
			std::vector<Tuple3f> vertices;
			std::vector<IndexTriple> triangles;
			build(vertices, triangles);
			LevelGeometry geometry;
			geometry.Append(vertices, triangles, "Test");
			rcContext context(false);
			Heightfield field(rcAllocHeightfield());
			const float bmin[3] = {-1, -1, -1};
			const float bmax[3] = {11, 10, 11};
			rcCreateHeightfield(&context, *field, 48, 48, bmin, bmax, 0.25f, 0.5f);
			std::vector<unsigned char> areas(static_cast<std::size_t>(geometry.TriangleCount()), 0);
			rcMarkWalkableTriangles(&context, 30.0f, geometry.vertices.data(), geometry.VertexCount(), geometry.triangles.data(),
				geometry.TriangleCount(), areas.data());
			rcRasterizeTriangles(&context, geometry.vertices.data(), geometry.VertexCount(), geometry.triangles.data(), areas.data(),
				geometry.TriangleCount(), *field, kLeanWalkableClimb);
			rcFilterWalkableLowHeightSpans(&context, kLeanWalkableHeight, *field);
			Compact expected(rcAllocCompactHeightfield());
			ASSERT_TRUE(rcBuildCompactHeightfield(&context, kLeanWalkableHeight, kLeanWalkableClimb, *field, *expected));
			const Compact actual = FromLean(rcBuildLeanHeightfield(&context, *field, kLeanWalkableHeight), context);
			ASSERT_EQ(actual->spanCount, expected->spanCount);
			EXPECT_FLOAT_EQ(actual->bmax[1], expected->bmax[1]);
			for (int cell = 0; cell < 48 * 48; ++cell)
			{
				ASSERT_EQ(actual->cells[cell].count, expected->cells[cell].count);
				ASSERT_TRUE(expected->cells[cell].count == 0 || actual->cells[cell].index == expected->cells[cell].index);
			}
			for (int i = 0; i < expected->spanCount; ++i)
			{
				const rcCompactSpan& a = actual->spans[i];
				const rcCompactSpan& e = expected->spans[i];
				ASSERT_EQ(a.y, e.y);
				ASSERT_EQ(a.con, e.con) << "span " << i;
				ASSERT_EQ(actual->areas[i], expected->areas[i]);
				if (e.h < kLeanWalkableHeight)
					ASSERT_EQ(a.h, 0u);
				else if (e.h < kLeanWalkableHeight + 12)
					ASSERT_EQ(a.h, e.h - (e.h - kLeanWalkableHeight) % 2);
				else
					ASSERT_EQ(a.h, static_cast<unsigned>(kLeanWalkableHeight + 12));
			}
		}
	}

	TEST(CompactFromLean, MoreThan62LayersAreReportedButTheBuildSucceeds)
	{
		rcContext context(false);
		Heightfield field = Columns(2, 1);
		for (int layer = 0; layer < 70; ++layer)
			rcAddSpan(&context, *field, 1, 0, static_cast<unsigned short>(layer * 10), static_cast<unsigned short>(layer * 10 + 2), RC_WALKABLE_AREA, 1);
		rcAddSpan(&context, *field, 0, 0, 0, 652, RC_WALKABLE_AREA, 1);
		const std::vector<unsigned char> lean = rcBuildLeanHeightfield(&context, *field, kLeanWalkableHeight);
		NavBuildContext reporting;
		Compact compact;
		EXPECT_NE(test::Reported([&] { compact = FromLean(lean, reporting); }).find("too many layers 65 (max: 62)"), std::string::npos);
		EXPECT_EQ(rcGetCon(compact->spans[0], 2), RC_NOT_CONNECTED) << "layer 65 cannot be named by a link";
		EXPECT_EQ(rcGetCon(compact->spans[1 + 65], 0), 0) << "from the far side the link names layer 0";
	}
}
