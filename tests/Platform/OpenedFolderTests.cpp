#include "Platform/OpenedFolder.h"

#include "TempFolder.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace
{
	namespace fs = std::filesystem;

	std::vector<std::string> EntriesOf(const std::string& folder)
	{
		std::set<std::string> names;
		for (const auto& entry : fs::directory_iterator(folder))
			names.insert(entry.path().filename().string());
		return {names.begin(), names.end()};
	}

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
			std::string failure;
			EXPECT_EQ(folder.LiesIn(top + "data/", failure), row.liesInData) << failure;
		}
	}

	// Only a data folder that is not there holds nothing; one that cannot be looked at may be
	// anywhere, and a save into it is refused with the reason.
	TEST(OpenedFolder, LiesInCannotTellWhereTheFolderCannotBeLookedAt)
	{
		const test::TempFolder root;
		const std::string top = root.Path();
		fs::create_symlink(top + "loop", top + "loop");
		root.WriteFile("file", "");
		const struct
		{
			const char* what;
			std::string folderPath;
			std::optional<bool> liesIn;
			const char* failure;
		} rows[] = {
			{"a folder that is not there", top + "missing/", false, ""},
			{"a folder under a file", top + "file/data/", false, ""},
			{"a link loop", top + "loop/", std::nullopt, "loop/': Too many levels of symbolic links"},
		};
		const OpenedFolder folder(top);
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.what);
			std::string failure;
			EXPECT_EQ(folder.LiesIn(row.folderPath, failure), row.liesIn);
			EXPECT_THAT(failure, ::testing::EndsWith(row.failure));
		}
	}

	// Two games writing their configuration back, or saving one level, at the same time.
	TEST(OpenedFolder, ReplacesOfOneFileAtOnceEachSucceedAndAReaderSeesOneWholeContents)
	{
		constexpr int kReplaces = 300;
		const test::TempFolder root;
		const OpenedFolder folder(root.Path());
		// Of different lengths, so that a file cut short or mixed shows.
		const std::vector<std::string> texts = {std::string(20000, 'a'), std::string(30000, 'b')};
		std::string failure;
		ASSERT_TRUE(folder.ReplaceFile("shared", texts[0], failure)) << failure;
		std::atomic<int> writing{static_cast<int>(texts.size())};
		std::vector<std::vector<std::string>> failures(texts.size());
		std::vector<std::thread> writers;
		for (std::size_t writer = 0; writer < texts.size(); ++writer)
			writers.emplace_back([&, writer] {
				for (int replace = 0; replace < kReplaces; ++replace)
					if (std::string why; !folder.ReplaceFile("shared", texts[writer], why))
						failures[writer].push_back(why);
				--writing;
			});
		std::set<std::string> seen;
		while (writing > 0)
		{
			const std::string read = test::ReadText(root.Path() + "shared");
			if (read != texts[0] && read != texts[1])
				seen.insert(read.substr(0, 1) + " x " + std::to_string(read.size()));
		}
		for (auto& writer : writers)
			writer.join();
		for (const auto& writerFailures : failures)
			EXPECT_EQ(writerFailures.size(), 0u) << "of " << kReplaces << " replaces failed, the first: " << writerFailures.front();
		EXPECT_THAT(seen, ::testing::IsEmpty()) << "a reader saw contents no writer wrote whole";
		EXPECT_THAT(EntriesOf(root.Path()), ::testing::ElementsAre("shared"));
	}

	// The calls a replacement made, in order: a file flushed, a rename, the folder flushed.
	std::vector<std::string> diskCallsMade;

	int RecordFlush(int descriptor)
	{
		struct stat status{};
		fstat(descriptor, &status);
		diskCallsMade.push_back(S_ISDIR(status.st_mode) ? "flush the folder" : "flush the file");
		return fsync(descriptor);
	}

	int RecordRename(int fromFolder, const char* from, int toFolder, const char* to)
	{
		diskCallsMade.push_back("rename");
		return renameat(fromFolder, from, toFolder, to);
	}

	// Renamed before its contents reach the disk, a power cut after the rename can leave an empty
	// file where the old one was.
	TEST(OpenedFolder, ReplaceFlushesTheFileBeforeItTakesTheName)
	{
		const test::TempFolder root;
		const OpenedFolder folder(root.Path());
		const OpenedFolder::DiskCalls system = OpenedFolder::diskCalls;
		OpenedFolder::diskCalls = {RecordFlush, RecordRename};
		diskCallsMade.clear();
		std::string failure;
		const bool replaced = folder.ReplaceFile("settings", "volume 3", failure);
		OpenedFolder::diskCalls = system;
		ASSERT_TRUE(replaced) << failure;
		EXPECT_THAT(diskCallsMade, ::testing::ElementsAre("flush the file", "rename", "flush the folder"));
	}

	// A save onto a name that is a folder is refused and leaves nothing behind.
	TEST(OpenedFolder, AReplaceRefusedByWhatStandsUnderTheNameLeavesTheFolderAsItWas)
	{
		const test::TempFolder root;
		root.WriteFile("Level/inside", "kept");
		const OpenedFolder folder(root.Path());
		std::string failure;
		EXPECT_FALSE(folder.ReplaceFile("Level", "a level", failure));
		EXPECT_EQ(failure, "cannot replace '" + root.Path() + "Level': Is a directory");
		EXPECT_THAT(EntriesOf(root.Path()), ::testing::ElementsAre("Level"));
		EXPECT_EQ(root.ReadFile("Level/inside"), "kept");
	}
}
