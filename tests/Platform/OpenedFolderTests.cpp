#include "Platform/OpenedFolder.h"

#include "TempFolder.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

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
			::testing::Matcher<std::string> failure;
		} rows[] = {
			{"a folder that is not there", top + "missing/", false, ::testing::IsEmpty()},
			{"a folder under a file", top + "file/data/", false, ::testing::IsEmpty()},
			{"a link loop", top + "loop/", std::nullopt, ::testing::EndsWith("loop/': Too many levels of symbolic links")},
		};
		const OpenedFolder folder(top);
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.what);
			std::string failure;
			EXPECT_EQ(folder.LiesIn(row.folderPath, failure), row.liesIn);
			EXPECT_THAT(failure, row.failure);
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

	// Puts the system's disk calls back, whatever a test put in their place.
	struct SystemDiskCalls
	{
		const OpenedFolder::DiskCalls calls = OpenedFolder::diskCalls;
		~SystemDiskCalls() { OpenedFolder::diskCalls = calls; }
	};

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
		const SystemDiskCalls system;
		OpenedFolder::diskCalls.flush = RecordFlush;
		OpenedFolder::diskCalls.rename = RecordRename;
		diskCallsMade.clear();
		std::string failure;
		ASSERT_TRUE(folder.ReplaceFile("settings", "volume 3", failure)) << failure;
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

	mode_t PermissionsOf(const std::string& path)
	{
		struct stat status{};
		return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
	}

	// A configuration or level the user made private stays private once written back; a new file
	// gets what any program's new file gets there.
	TEST(OpenedFolder, AReplacedFileKeepsItsPermissionsAndANewFileGetsTheDefault)
	{
		const test::TempFolder root;
		const OpenedFolder folder(root.Path());
		const std::string settings = root.Path() + "settings";
		std::string failure;
		for (const mode_t mode : {0600, 0640, 0664})
		{
			SCOPED_TRACE(::testing::Message() << std::oct << mode);
			fs::remove(settings);
			root.WriteFile("settings", "volume 3");
			ASSERT_EQ(chmod(settings.c_str(), mode), 0);
			ASSERT_TRUE(folder.ReplaceFile("settings", "volume 7", failure)) << failure;
			EXPECT_EQ(PermissionsOf(settings), mode);
		}
		root.WriteFile("another program's", "");
		ASSERT_TRUE(folder.ReplaceFile("new settings", "volume 7", failure)) << failure;
		EXPECT_EQ(PermissionsOf(root.Path() + "new settings"), PermissionsOf(root.Path() + "another program's"));
	}

	// A game killed while it writes its configuration back leaves the file as it was and nothing
	// beside it.
	TEST(OpenedFolder, AWriterKilledBeforeItsFileIsWholeLeavesNothingBehind)
	{
		const test::TempFolder root;
		if (const int unnamed = open(root.Path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600); unnamed >= 0)
			close(unnamed);
		else
			GTEST_SKIP() << "the temporary folder's file system has no unnamed files: a writer killed there leaves its named temporary file";
		root.WriteFile("settings", "volume 3");
		const OpenedFolder folder(root.Path());
		const std::string style = GTEST_FLAG_GET(death_test_style);
		// Forked as it is, so that the writer writes into this test's folder.
		GTEST_FLAG_SET(death_test_style, "fast");
		EXPECT_EXIT(
			{
				// Killed once the new contents are written, before they take the name.
				OpenedFolder::diskCalls.flush = [](int) -> int { return raise(SIGKILL); };
				std::string failure;
				folder.ReplaceFile("settings", std::string(100000, 'v'), failure);
			},
			::testing::KilledBySignal(SIGKILL), "");
		GTEST_FLAG_SET(death_test_style, style);
		EXPECT_EQ(root.ReadFile("settings"), "volume 3");
		EXPECT_THAT(EntriesOf(root.Path()), ::testing::ElementsAre("settings"));
	}

	std::string lastRenamedFrom;

	int RecordRenamedFrom(int fromFolder, const char* from, int toFolder, const char* to)
	{
		lastRenamedFrom = from;
		return renameat(fromFolder, from, toFolder, to);
	}

	// The temporary name a writer takes the given number of names after the one it took.
	std::string TemporaryNameAfter(const std::string& taken, unsigned later)
	{
		const std::size_t countStart = taken.rfind('-') + 1;
		return taken.substr(0, countStart) + std::to_string(std::stoul(taken.substr(countStart)) + later) + ".tmp";
	}

	// A temporary file a killed game left, under a process id that came round again, or a hard link
	// to another of the user's files planted at a writer's temporary name, is neither written through
	// nor removed: the save lands whole in its file alone.
	TEST(OpenedFolder, AReplacePassesOverFilesLeftAtItsTemporaryNames)
	{
		const struct
		{
			const char* what;
			int (*makeUnnamed)(int folder, mode_t mode);
		} rows[] = {
			{"written unnamed", OpenedFolder::diskCalls.makeUnnamed},
			{"on a file system without unnamed files", [](int, mode_t) -> int { errno = EOPNOTSUPP; return -1; }},
		};
		const std::string staleText = "volume 3 and a longer tail a crashed game left";
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.what);
			const test::TempFolder root;
			const OpenedFolder folder(root.Path());
			const SystemDiskCalls system;
			OpenedFolder::diskCalls.makeUnnamed = row.makeUnnamed;
			OpenedFolder::diskCalls.rename = RecordRenamedFrom;
			std::string failure;
			ASSERT_TRUE(folder.ReplaceFile("settings", "volume 1", failure)) << failure;
			const std::string linked = TemporaryNameAfter(lastRenamedFrom, 1);
			const std::string stale = TemporaryNameAfter(lastRenamedFrom, 2);
			root.WriteFile("keys", "the user's keys");
			fs::create_hard_link(root.Path() + "keys", root.Path() + linked);
			root.WriteFile(stale, staleText);

			// Saved twice, so that a writer that took the first name it came to would come to each
			// planted file in turn.
			ASSERT_TRUE(folder.ReplaceFile("settings", "volume 7", failure)) << failure;
			ASSERT_TRUE(folder.ReplaceFile("settings", "volume 9", failure)) << failure;
			EXPECT_EQ(root.ReadFile("settings"), "volume 9");
			EXPECT_EQ(root.ReadFile("keys"), "the user's keys");
			EXPECT_EQ(root.ReadFile(stale), staleText);
			EXPECT_THAT(EntriesOf(root.Path()), ::testing::UnorderedElementsAre("keys", "settings", stale, linked));
		}
	}
}
