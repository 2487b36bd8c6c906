#include "Utilities/LiveCounted.h"
#include "Utilities/MallocAllocator.h"
#include "Utilities/UnorderedVector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
	template <class T>
	std::vector<T> Contents(const tw::unordered_vector<T>& vector)
	{
		return std::vector<T>(vector.begin(), vector.end());
	}

	tw::unordered_vector<std::string> Letters(std::initializer_list<const char*> letters)
	{
		tw::unordered_vector<std::string> vector;
		for (const char* letter : letters)
			vector.push_back(letter);
		return vector;
	}
}

TEST(UnorderedVector, EraseMovesLastElementIntoHole)
{
	auto vector = Letters({"a", "b", "c", "d"});
	auto position = vector.erase(vector.begin());
	EXPECT_EQ(position, vector.begin());
	EXPECT_EQ(Contents(vector), (std::vector<std::string>{"d", "b", "c"}));

	position = vector.erase(vector.begin() + 2);
	EXPECT_EQ(position, vector.end());
	EXPECT_EQ(Contents(vector), (std::vector<std::string>{"d", "b"}));

	vector.erase(vector.begin());
	vector.erase(vector.begin());
	EXPECT_TRUE(vector.empty());
}

TEST(UnorderedVector, EraseWhileIteratingReexaminesPosition)
{
	tw::unordered_vector<int> numbers;
	for (int number = 0; number < 20; ++number)
		numbers.push_back(number);
	for (auto position = numbers.begin(); position != numbers.end();)
	{
		if (*position % 3 == 0)
			position = numbers.erase(position);
		else
			++position;
	}
	std::vector<int> left(numbers.begin(), numbers.end());
	std::sort(left.begin(), left.end());
	EXPECT_EQ(left, (std::vector<int>{1, 2, 4, 5, 7, 8, 10, 11, 13, 14, 16, 17, 19}));
}

TEST(UnorderedVector, CapacityDoublesFromOneAndCopyIsTight)
{
	tw::unordered_vector<int> numbers;
	std::vector<unsigned> capacities;
	for (int number = 0; number < 9; ++number)
	{
		numbers.push_back(number);
		capacities.push_back(numbers.capacity());
	}
	EXPECT_EQ(capacities, (std::vector<unsigned>{1, 2, 4, 4, 8, 8, 8, 8, 16}));
	const auto copy = numbers;
	EXPECT_EQ(copy.capacity(), 9u);
	EXPECT_EQ(Contents(copy), Contents(numbers));
	numbers.reserve(100);
	EXPECT_EQ(numbers.capacity(), 100u);
	numbers.reserve(10);
	EXPECT_EQ(numbers.capacity(), 100u);
	EXPECT_EQ(Contents(numbers), Contents(copy));
}

TEST(UnorderedVector, PushBackOfOwnElementSurvivesGrowth)
{
	// The argument lives in the storage that growth frees.
	auto vector = Letters({"first element, long enough to live on the heap", "b"});
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
		EXPECT_EQ(LiveCounted::live, 50);
		vector.erase(vector.begin() + 10);
		vector.pop_back();
		EXPECT_EQ(LiveCounted::live, 48);
		EXPECT_EQ(vector[10].value, 49);
		auto moved = std::move(vector);
		EXPECT_EQ(LiveCounted::live, 48);
		auto copy = moved;
		EXPECT_EQ(LiveCounted::live, 96);
		copy.clear();
		EXPECT_EQ(LiveCounted::live, 48);
	}
	EXPECT_EQ(LiveCounted::live, 0);
}

TEST(UnorderedVector, WorksWithMallocAllocator)
{
	using PageList = tw::unordered_vector<unsigned char*, tw::malloc_allocator<unsigned char*>>;
	tw::unordered_vector<PageList, tw::malloc_allocator<PageList>> regions;
	unsigned char page[4] = {};
	for (int region = 0; region < 10; ++region)
	{
		PageList pages;
		for (int i = 0; i < 100; ++i)
			pages.push_back(page + i % 4);
		regions.push_back(pages);
	}
	EXPECT_EQ(regions.size(), 10u);
	EXPECT_EQ(regions[3].size(), 100u);
	EXPECT_EQ(regions[3][5], page + 1);
}
