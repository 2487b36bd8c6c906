#include "Utilities/UnorderedVector.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(UnorderedVector, EraseMovesLastElementIntoTheHoleItReturns)
{
	tw::unordered_vector<std::string> letters;
	for (const char* letter : {"a", "b", "c", "d"})
		letters.push_back(letter);
	auto position = letters.erase(letters.begin());
	EXPECT_EQ(position, letters.begin());
	EXPECT_EQ(std::vector<std::string>(letters.begin(), letters.end()), (std::vector<std::string>{"d", "b", "c"}));
	position = letters.erase(letters.begin() + 2);
	EXPECT_EQ(position, letters.end());
	EXPECT_EQ(std::vector<std::string>(letters.begin(), letters.end()), (std::vector<std::string>{"d", "b"}));
}

TEST(UnorderedVector, PushBackOfOwnElementSurvivesGrowth)
{
	// The argument lives in the storage that growth frees.
	tw::unordered_vector<std::string> vector;
	vector.push_back("first element, long enough to live on the heap");
	vector.push_back("b");
	ASSERT_EQ(vector.size(), vector.capacity());
	vector.push_back(vector[0]);
	EXPECT_EQ(vector[2], "first element, long enough to live on the heap");
	vector.push_back(std::move(vector[1]));
	EXPECT_EQ(vector[3], "b");
}

TEST(UnorderedVector, DestroysEveryElementOnce)
{
	LiveCounted::live = 0;
	{
		tw::unordered_vector<LiveCounted> vector;
		for (int value = 0; value < 50; ++value)
			vector.push_back(LiveCounted(value));
		vector.erase(vector.begin() + 10);
		vector.pop_back();
		EXPECT_EQ(LiveCounted::live, 48);
		EXPECT_EQ(vector[10].value, 49);
		auto moved = std::move(vector);
		auto copy = moved;
		EXPECT_EQ(LiveCounted::live, 96);
		copy.clear();
		EXPECT_EQ(LiveCounted::live, 48);
	}
	EXPECT_EQ(LiveCounted::live, 0);
}
