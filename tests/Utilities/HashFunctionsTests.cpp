#include "Utilities/HashFunctions.h"

#include <gtest/gtest.h>

TEST(HashFunctions, IntegerMix)
{
	const struct
	{
		std::uint32_t key;
		std::uint32_t hash;
	} cases[] = {{0, 0}, {1, 133120}, {0xFFFFFFFFu, 0x07FE07FFu}};
	for (const auto& testCase : cases)
		EXPECT_EQ(tw::ext::hash<unsigned>()(testCase.key), testCase.hash) << testCase.key;
	EXPECT_EQ(tw::ext::hash<int>()(-1), tw::ext::hash<unsigned>()(0xFFFFFFFFu));
}

TEST(HashFunctions, WideKeysFoldHighHalfIn)
{
	// Differing only above bit 31: truncation would give these the same hash.
	const auto low = reinterpret_cast<const char*>(std::uintptr_t{0x0000000100001000});
	const auto high = reinterpret_cast<const char*>(std::uintptr_t{0x0000000200001000});
	EXPECT_NE(tw::ext::hash<const char*>()(low), tw::ext::hash<const char*>()(high));
	EXPECT_EQ(tw::ext::hash<const char*>()(low), tw::MixBits(0x00001001u));
	EXPECT_EQ(tw::ext::hash<std::uint64_t>()(0x0000000100001000ull), tw::MixBits(0x00001001u));
}
