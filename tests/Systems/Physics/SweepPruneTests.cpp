#include "Systems/Physics/SweepPrune.h"

#include "Utilities/Random.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

namespace
{
	using SweepBox = std::array<float, 6>;

	// With the axes as the detection stage creates them.
	struct ThreeAxisSweepPrune : SweepPrune
	{
		ThreeAxisSweepPrune()
		{
			AddAxis("X", 0);
			AddAxis("Z", 2);
			AddAxis("Y", 1);
		}
	};

	SweepBox BoxAt(float x, float y, float z, float half = 0.5f)
	{
		return {x - half, y - half, z - half, x + half, y + half, z + half};
	}

	int OverlapCount(const SweepPrune& sap, const void* a, const void* b)
	{
		return sap.AxesOverlapping(a, b);
	}

	std::string DumpOf(const SweepPrune& sap)
	{
		std::ostringstream out;
		sap.Dump(out);
		return out.str();
	}
}

TEST(SweepPrune, OneBoxIsNotSortedUntilASecondArrivesAndThePairReadsTheEarlierFirst)
{
	ThreeAxisSweepPrune sap;
	SweepBox boxes[2] = {BoxAt(0.5f, 0.5f, 0.5f), BoxAt(0, 0, 0)};
	sap.Insert(&boxes[1], boxes[1].data());
	sap.Update();
	EXPECT_EQ(sap.GetOverlapCount(), 0u);
	sap.Insert(&boxes[0], boxes[0].data());
	EXPECT_TRUE(sap.GetPairs().empty()) << "nothing is counted before the sort";
	sap.Update();
	EXPECT_EQ(OverlapCount(sap, &boxes[1], &boxes[0]), 3);
	ASSERT_EQ(sap.GetPairs().size(), 1u);
	EXPECT_EQ(sap.GetPairs().begin()->first, (SweepPrune::PairKey(&boxes[1], &boxes[0])));
}

TEST(SweepPrune, PairEntersOnTheThirdAxisAndLeavesOnAnyAxis)
{
	ThreeAxisSweepPrune sap;
	SweepBox a = BoxAt(0, 0, 0), b = BoxAt(1.0f, 0, 0);
	sap.Insert(&a, a.data());
	sap.Insert(&b, b.data());
	const struct
	{
		SweepBox at;
		int overlaps;
		bool pair;
	} moves[] = {// Boxes that only touch in that order do not overlap on that axis.
		{BoxAt(1.0f, 0, 0), 2, false}, {BoxAt(0.5f, 0.5f, 3.0f), 2, false}, {BoxAt(0.5f, 0.5f, 0.9f), 3, true},
		{BoxAt(-2.0f, 0.5f, 0.9f), 2, false}};
	for (const auto& move : moves)
	{
		b = move.at;
		sap.Update();
		EXPECT_EQ(OverlapCount(sap, &a, &b), move.overlaps) << b[0] << ' ' << b[1] << ' ' << b[2];
		EXPECT_EQ(sap.GetPairs().size(), move.pair ? 1u : 0u);
	}
}

TEST(SweepPrune, RemoveForgetsTheKeysOverlapsOnly)
{
	ThreeAxisSweepPrune sap;
	SweepBox a = BoxAt(0, 0, 0), b = BoxAt(0.5f, 0, 0), c = BoxAt(0.2f, 0.2f, 0);
	for (SweepBox* box : {&a, &b, &c})
		sap.Insert(box, box->data());
	sap.Update();
	ASSERT_EQ(sap.GetPairs().size(), 3u);
	sap.Remove(&b);
	EXPECT_EQ(sap.GetObjectCount(), 2u);
	EXPECT_EQ(sap.GetOverlapCount(), 1u);
	EXPECT_EQ(sap.GetPairs().size(), 1u);
	EXPECT_TRUE(sap.GetPairs().contains({&a, &c}));
	SweepBox unknown = BoxAt(0, 0, 0);
	sap.Remove(&unknown);
	EXPECT_EQ(sap.GetObjectCount(), 2u);
	// The removed box's ends are gone: moving it changes nothing.
	b = BoxAt(100, 100, 100);
	sap.Update();
	EXPECT_EQ(sap.GetPairs().size(), 1u);
}

TEST(SweepPrune, DumpCountsObjectsOverlapsPairsAndExtremaPerAxis)
{
	ThreeAxisSweepPrune sap;
	EXPECT_EQ(DumpOf(sap), "\n0 objects\n0 overlaps\n0 pairs\n0 extrema on Y axis\n0 extrema on Z axis\n0 extrema on X axis\n\n");
	SweepBox boxes[3] = {BoxAt(0, 0, 0), BoxAt(0.5f, 0, 0), BoxAt(5, 0, 0)};
	for (SweepBox& box : boxes)
		sap.Insert(&box, box.data());
	sap.Update();
	EXPECT_EQ(DumpOf(sap), "\n3 objects\n3 overlaps\n1 pairs\n6 extrema on Y axis\n6 extrema on Z axis\n6 extrema on X axis\n\n");
	sap.Clear();
	EXPECT_EQ(DumpOf(sap), "\n0 objects\n0 overlaps\n0 pairs\n0 extrema on Y axis\n0 extrema on Z axis\n0 extrema on X axis\n\n");
}

TEST(SweepPrune, FullStructureRefusesTheNextBox)
{
	ThreeAxisSweepPrune sap;
	std::vector<SweepBox> boxes(SweepPrune::kMaxBoxes + 1);
	for (unsigned i = 0; i < SweepPrune::kMaxBoxes; ++i)
	{
		const float along = static_cast<float>(i) * 2.0f;
		boxes[i] = BoxAt(along, along, along);
		ASSERT_TRUE(sap.Insert(&boxes[i], boxes[i].data())) << i;
	}
	boxes.back() = BoxAt(0.5f, 0, 0);
	EXPECT_FALSE(sap.Insert(&boxes.back(), boxes.back().data()));
	EXPECT_EQ(sap.GetRefusedCount(), 1u);
	sap.Update();
	EXPECT_EQ(sap.GetObjectCount(), SweepPrune::kMaxBoxes);
	EXPECT_TRUE(sap.GetPairs().empty()) << "the refused box overlaps the first but was never filed";
	sap.Remove(&boxes[0]);
	EXPECT_TRUE(sap.Insert(&boxes.back(), boxes.back().data()));
}

TEST(SweepPrune, PairSetEqualsBruteForceOverRandomMovingBoxes)
{
	constexpr int kBoxCount = 1000, kSteps = 100;
	constexpr float kWorld = 40.0f;
	tw::SeedRand(20);
	ThreeAxisSweepPrune sap;
	std::vector<SweepBox> boxes(kBoxCount);
	for (SweepBox& box : boxes)
	{
		box = BoxAt(RandomIn(0, kWorld), RandomIn(0, kWorld), RandomIn(0, kWorld), RandomIn(0.2f, 1.5f));
		sap.Insert(&box, box.data());
	}
	for (int step = 0; step < kSteps; ++step)
	{
		// Every box moves a little; a few jump across the world, and now and then one leaves and
		// comes back.
		for (int i = 0; i < kBoxCount; ++i)
		{
			SweepBox& box = boxes[i];
			const bool jump = tw::Rand() % 50 == 0;
			for (int axis = 0; axis < 3; ++axis)
			{
				const float shift = jump ? RandomIn(-kWorld / 2, kWorld / 2) : RandomIn(-0.3f, 0.3f);
				box[axis] += shift;
				box[axis + 3] += shift;
			}
		}
		if (step % 10 == 5)
		{
			SweepBox& box = boxes[tw::Rand() % kBoxCount];
			sap.Remove(&box);
			sap.Insert(&box, box.data());
		}
		sap.Update();

		std::set<std::pair<const void*, const void*>> expected, found;
		for (int i = 0; i < kBoxCount; ++i)
			for (int j = i + 1; j < kBoxCount; ++j)
			{
				const SweepBox &a = boxes[i], &b = boxes[j];
				bool overlap = true;
				for (int axis = 0; axis < 3 && overlap; ++axis)
					overlap = a[axis] < b[axis + 3] && b[axis] < a[axis + 3];
				if (overlap)
					expected.insert(std::minmax<const void*>(&a, &b));
			}
		for (const auto& [pair, value] : sap.GetPairs())
		{
			EXPECT_EQ(value, 1);
			found.insert(std::minmax(pair.first, pair.second));
		}
		ASSERT_EQ(found, expected) << "step " << step;
	}
}
