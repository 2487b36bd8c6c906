#include "Utilities/UnorderedVector.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
	template <class T>
	std::vector<T> Contents(const tw::unordered_vector<T>& vector)
	{
		return std::vector<T>(vector.begin(), vector.end());
	}
}

TEST(UnorderedVector, EraseMovesLastElementIntoTheHoleItReturns)
{
	tw::unordered_vector<std::string> letters;
	for (const char* letter : {"a", "b", "c", "d"})
		letters.push_back(letter);
	auto position = letters.erase(letters.begin());
	EXPECT_EQ(position, letters.begin());
	EXPECT_EQ(Contents(letters), (std::vector<std::string>{"d", "b", "c"}));
	position = letters.erase(letters.begin() + 2);
	EXPECT_EQ(position, letters.end());
	EXPECT_EQ(Contents(letters), (std::vector<std::string>{"d", "b"}));
}

TEST(UnorderedVector, CapacityDoublesFromOneAndCopyIsTight)
{
	tw::unordered_vector<int> numbers;
	std::vector<unsigned> capacities;
	for (int number = 0; number < 9; ++number)
		capacities.push_back((numbers.push_back(number), numbers.capacity()));
	EXPECT_EQ(capacities, (std::vector<unsigned>{1, 2, 4, 4, 8, 8, 8, 8, 16}));
	const auto copy = numbers;
	EXPECT_EQ(copy.capacity(), 9u);
	numbers.reserve(100);
	numbers.reserve(10);
	EXPECT_EQ(numbers.capacity(), 100u);
	EXPECT_EQ(Contents(numbers), Contents(copy));
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
