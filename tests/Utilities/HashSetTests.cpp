#include "Utilities/HashSet.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

// Changing a key in place would strand it in the wrong slot, so set elements are read-only.
static_assert(std::is_const_v<std::remove_reference_t<decltype(*std::declval<tw::hash_set<int>::iterator>())>>);

TEST(HashSet, InsertFindEraseAndCopy)
{
	tw::hash_set<std::string> names;
	EXPECT_TRUE(names.insert("Player").second);
	EXPECT_FALSE(names.insert(std::string("Player")).second);
	EXPECT_TRUE(names.insert("").second);
	EXPECT_TRUE(names.insert("Camera").second);
	EXPECT_EQ(*names.find("Player"), "Player");
	EXPECT_EQ(names.erase(names.find("")), names.find("Player"));
	const tw::hash_set<std::string> copy = names;
	EXPECT_EQ(std::vector<std::string>(copy.begin(), copy.end()), (std::vector<std::string>{"Camera", "Player"}));
	EXPECT_EQ(names.erase(std::string("Player")), 1u);
	EXPECT_FALSE(names.contains("Player"));
	EXPECT_TRUE(copy.contains("Player"));
}
