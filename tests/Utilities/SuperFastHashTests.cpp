#include "Utilities/SuperFastHash.h"

#include <gtest/gtest.h>

#include <string>

TEST(SuperFastHash, KnownValuesAndZeroForNothing)
{
	// Every tail length (0-3 bytes after the 4-byte blocks), and bytes above 0x7F, which enter
	// the tail sign-extended.
	const struct
	{
		std::string text;
		std::uint32_t hash;
	} cases[] = {{"a", 0x115ea782u}, {"ab", 0x516b8b44u}, {"abc", 0xd2be198au}, {"abcd", 0xdad8b8dbu},
		{"abcde", 0x51ed072eu}, {"Player", 0xcf3ff705u}, {"Transform", 0x6f25fe5cu}, {"hello world", 0xa68c6882u},
		{"\x80", 0xf30533c4u}, {"x\xff\xfe", 0xd18a1078u}, {"", 0}};
	for (const auto& c : cases)
		EXPECT_EQ(tw::SuperFastHash(c.text.data(), static_cast<std::uint32_t>(c.text.size())), c.hash) << c.text;
	EXPECT_EQ(tw::SuperFastHash("abc", 0), 0u);
	EXPECT_EQ(tw::SuperFastHash(nullptr, 5), 0u);
}
