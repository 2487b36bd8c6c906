// Names that lead where no data file reader may read: a device that never ends, a FIFO without a
// writer (opening it would wait for ever), a folder, and a file one byte past the size limit
// (sparse, so it takes no disk). Each comes with the words the refusal must use.
#pragma once

#include "TempFolder.h"
#include "Utilities/BinaryFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
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
		const std::string fifo = folder.Path() + "fifo";
		EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
		folder.WriteFile("huge", "");
		std::filesystem::resize_file(folder.Path() + "huge", kMaxDataFileBytes + 1);
		return {{"/dev/zero", "is not a file"}, {fifo, "is not a file"}, {folder.Path(), "is not a file"},
			{folder.Path() + "huge", "is " + std::to_string(kMaxDataFileBytes + 1) + " bytes, more than the"}};
	}

	// One line that names the file and says what is wrong with it.
	inline void ExpectOneDiagnostic(const std::string& printed, const HostileFile& file)
	{
		EXPECT_THAT(printed, ::testing::HasSubstr(file.path));
		EXPECT_THAT(printed, ::testing::HasSubstr(file.problem));
		EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
	}
}
