#include "Utilities/HashSet.h"

#include <gtest/gtest.h>

#include <string>

TEST(HashSet, InsertFindErase)
{
	tw::hash_set<std::string> names;
	EXPECT_TRUE(names.insert("Player").second);
	EXPECT_FALSE(names.insert(std::string("Player")).second);
	EXPECT_TRUE(names.contains("Player"));
	EXPECT_EQ(*names.find("Player"), "Player");
	EXPECT_EQ(names.erase(names.find("Player")), names.end());
	EXPECT_TRUE(names.empty());
}
