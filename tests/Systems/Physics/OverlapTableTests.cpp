#include "Systems/Physics/OverlapTable.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

TEST(OverlapTable, KeyIsTheSameForEitherOrderAndDiffersBetweenPairs)
{
	const struct
	{
		unsigned a, b, c, d;
	} pairs[] = {{0, 1, 1, 2}, {1, 2, 2, 3}, {5, 7, 7, 6}, {0, 32767, 32766, 32767}, {3, 256, 256, 4}};
	for (const auto& p : pairs)
	{
		EXPECT_EQ(OverlapTable::KeyOf(p.a, p.b), OverlapTable::KeyOf(p.b, p.a)) << p.a << ' ' << p.b;
		EXPECT_NE(OverlapTable::KeyOf(p.a, p.b), OverlapTable::KeyOf(p.c, p.d)) << p.a << ' ' << p.b;
		EXPECT_NE(OverlapTable::KeyOf(p.a, p.b), 0u) << "the key of an empty slot";
	}
}

// Erasing moves the entries that follow the hole back: a wrong move loses a key or a count, and
// only a long random run through growth and wrapped runs finds it.
TEST(OverlapTable, AgreesWithAStdMapThroughAddsErasesGrowthAndClear)
{
	std::mt19937 random(26);
	OverlapTable table;
	std::map<std::uint32_t, int> expected;
	for (int round = 0; round < 3; ++round)
	{
		// Few indices, so that adds hit present keys and erases hit absent ones.
		const std::uint32_t indices = round == 1 ? 120 : 400;
		for (int operation = 0; operation < 60000; ++operation)
		{
			const std::uint32_t a = random() % indices, b = (a + 1 + random() % (indices - 1)) % indices;
			const std::uint32_t key = OverlapTable::KeyOf(a, b);
			if (random() % 5 < 3)
			{
				const int count = 1 + operation % 3;
				table.FindOrAdd(key).SetCount(count);
				expected[key] = count;
			}
			else
				ASSERT_EQ(table.Erase(key), expected.erase(key) == 1) << "operation " << operation;
		}
		ASSERT_EQ(table.Size(), expected.size());
		for (const auto& [key, count] : expected)
		{
			const OverlapTable::Entry* entry = table.Find(key);
			ASSERT_NE(entry, nullptr) << key;
			EXPECT_EQ(entry->Count(), count);
		}
		EXPECT_LE(2 * table.Size(), table.SlotCount()) << "more than half full";
		table.Clear();
		expected.clear();
		EXPECT_TRUE(table.Empty());
		EXPECT_EQ(table.Find(OverlapTable::KeyOf(0, 1)), nullptr);
	}
}
