#include "Platform/VirtualMemory.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(VirtualMemory, ReserveCommitDecommitRelease)
{
	const std::size_t page = Platform::PageSize();
	ASSERT_GE(page, 4096u);
	const std::size_t size = 16 * page;
	auto* region = static_cast<unsigned char*>(Platform::ReserveAddressSpace(size));
	ASSERT_NE(region, nullptr);
	ASSERT_TRUE(Platform::CommitPages(region + page, 2 * page));
	std::memset(region + page, 0xAB, 2 * page);
	EXPECT_EQ(region[page + 5], 0xAB);
	Platform::DecommitPages(region + page, 2 * page);
	ASSERT_TRUE(Platform::CommitPages(region + page, page));
	EXPECT_EQ(region[page + 5], 0) << "decommitted pages come back zeroed";
	Platform::ReleaseAddressSpace(region, size);
}
