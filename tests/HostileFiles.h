// Names that lead where no data file reader may read: a device that never ends, a FIFO without a
// writer (opening it would wait for ever), a folder, and a file one byte past the size limit
// (sparse, so it takes no disk), each with the words its refusal must use.
#pragma once

#include "TempFolder.h"
#include "Utilities/BinaryFile.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace test
{
	struct HostileFile
	{
		std::string path;
		std::string problem;
	};

	inline std::vector<HostileFile> HostileFiles(const TempFolder& folder)
	{
		EXPECT_EQ(mkfifo((folder.Path() + "fifo").c_str(), 0600), 0);
		folder.WriteFile("huge", "");
		std::filesystem::resize_file(folder.Path() + "huge", kMaxDataFileBytes + 1);
		return {{"/dev/zero", "is not a file"}, {folder.Path() + "fifo", "is not a file"}, {folder.Path(), "is not a file"},
			{folder.Path() + "huge", "is " + std::to_string(kMaxDataFileBytes + 1) + " bytes, more than the"}};
	}

	// Reads each hostile file (load returns what it printed): one line naming it and what is wrong.
	template <class Load>
	void ExpectEachRefusedWithOneDiagnostic(const TempFolder& folder, Load load)
	{
		for (const HostileFile& file : HostileFiles(folder))
		{
			const std::string printed = load(file.path);
			EXPECT_THAT(printed, ::testing::HasSubstr(file.path));
			EXPECT_THAT(printed, ::testing::HasSubstr(file.problem));
			EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
		}
	}
}
