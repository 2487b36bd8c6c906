#include "Utilities/MallocAllocator.h"
#include "Utilities/UnorderedVector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(UnorderedVector, EraseMovesLastElementIntoHole)
{
	tw::unordered_vector<std::string> vector;
	for (const char* text : {"a", "b", "c", "d"})
		vector.push_back(text);
	auto position = vector.erase(vector.begin());
	EXPECT_EQ(position, vector.begin());
	EXPECT_EQ(*position, "d");
	EXPECT_EQ(std::vector<std::string>(vector.begin(), vector.end()), (std::vector<std::string>{"d", "b", "c"}));
	position = vector.erase(vector.begin() + 2);
	EXPECT_EQ(position, vector.end());
	EXPECT_EQ(vector.size(), 2u);
}

TEST(UnorderedVector, WorksWithMallocAllocator)
{
	tw::unordered_vector<unsigned char*, tw::malloc_allocator<unsigned char*>> pages;
	unsigned char page[4] = {};
	for (int i = 0; i < 100; ++i)
		pages.push_back(page + i % 4);
	EXPECT_EQ(pages.size(), 100u);
	EXPECT_EQ(pages.capacity(), 128u);
	EXPECT_EQ(pages[5], page + 1);
}
