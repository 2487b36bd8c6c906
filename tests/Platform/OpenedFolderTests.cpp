#include "Platform/OpenedFolder.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

namespace
{
	namespace fs = std::filesystem;

	// Where a folder lies is told by the folder the system opened and its parents: the folder's path,
	// looked at again, tells where the name leads now, not where a write through the folder lands.
	TEST(OpenedFolder, LiesInTheFolderThatHoldsWhatWasOpenedWhateverItsPathSays)
	{
		const test::TempFolder root;
		const std::string top = root.Path();
		fs::create_directories(top + "data/Levels");
		fs::create_directories(top + "database");
		fs::create_directories(top + "user");
		fs::create_directories(top + "data/leaving");
		fs::create_symlink(top + "data/Levels", top + "linked");
		const struct
		{
			const char* what;
			std::string opened;
			// Done after the folder was opened.
			std::function<void()> then;
			std::optional<bool> liesInData;
		} rows[] = {
			{"the data folder itself", top + "data", [] {}, true},
			{"a folder below it", top + "data/Levels", [] {}, true},
			{"a link to a folder below it", top + "linked", [] {}, true},
			{"a folder whose name begins as the data's", top + "database", [] {}, false},
			{"the folder above it", top, [] {}, false},
			{"a folder moved into it once opened", top + "user", [&] { fs::rename(top + "user", top + "data/user"); }, true},
			{"a folder moved out of it once opened", top + "data/leaving", [&] { fs::rename(top + "data/leaving", top + "left"); }, false},
		};
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.what);
			const OpenedFolder folder(row.opened);
			ASSERT_TRUE(folder.IsOpen()) << folder.Error();
			row.then();
			EXPECT_EQ(folder.LiesIn(top + "data/"), row.liesInData);
		}
	}
}
