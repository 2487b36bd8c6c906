#include "EngineTestSupport.h"

#include "UserLevels.h"
#include "Utilities/Diagnostics.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <stdio.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <thread>

namespace
{
	using namespace test;
	namespace fs = std::filesystem;

	// Every file, folder and link under the folder: a file's bytes, a link's target.
	std::map<std::string, std::string> Contents(const std::string& folder)
	{
		std::map<std::string, std::string> contents;
		for (const auto& entry : fs::recursive_directory_iterator(folder))
		{
			const std::string name = fs::relative(entry.path(), folder).string();
			if (entry.is_symlink())
				contents[name] = "link to " + fs::read_symlink(entry.path()).string();
			else
				contents[name] = entry.is_directory() ? "folder" : ReadText(entry.path().string());
		}
		return contents;
	}

	// The names whose entries differ between the two, or that only one holds.
	std::vector<std::string> Changed(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after)
	{
		std::vector<std::pair<std::string, std::string>> differing;
		std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(differing));
		std::vector<std::string> names;
		for (const auto& entry : differing)
			if (names.empty() || names.back() != entry.first)
				names.push_back(entry.first);
		return names;
	}

	// The fixtures' shipped levels, saved as the editor saves them: into the user folder's "Levels/".
	// The data folder is a copy of the fixtures, so that a failure rewrites no file of the project's.
	class UserLevelsSave : public EngineTest
	{
	protected:
		void SetUp() override
		{
			EngineTest::SetUp();
			fs::copy(kFixtures, dataFolder.Path(), fs::copy_options::recursive);
			MakeEngine();
		}
	};

	// The shipped level stays cached under its name when the user's copy, written elsewhere, comes
	// to shadow it: a restart brought the shipped level back and the next save wrote it over the edit.
	TEST_F(UserLevelsSave, EveryLoadAfterASaveReadsTheSavedLevelWhichSavesBackByteIdentically)
	{
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		CreateObject("Buoy").object->AddComponent(Marker::TypeId());
		ASSERT_TRUE(UserLevels::Save(*engine, "Harbour", "test"));
		const std::string saved = userFolder.ReadFile("Levels/Harbour");

		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		EXPECT_EQ(Named("Buoy").size(), 1u) << "the level was read from the shipped file's cached parse";
		ASSERT_TRUE(UserLevels::Save(*engine, "Harbour", "test"));
		EXPECT_EQ(userFolder.ReadFile("Levels/Harbour"), saved);
	}

	// A user folder is data anyone may hand over: a link in it, or the folder itself a link, led the
	// save into the game's Data. And the name is checked as the game looks levels up, in its folders
	// alone: a file in the working folder stopped a save of the level of its name.
	TEST_F(UserLevelsSave, EachSaveIsMadeOrRefusedByItsRealFolderAndItsNameAndTheShippedLevelStays)
	{
		dataFolder.WriteFile("Objects/Pier", "no level");
		const auto shipped = Contents(dataFolder.Path());
		const std::string data = dataFolder.Path();
		const std::string user = userFolder.Path();
		const std::string dataName = fs::path(data).parent_path().filename().string();
		const auto link = [](const std::string& target, const std::string& at) {
			return [target, at] {
				fs::create_directories(fs::path(at).parent_path());
				fs::create_symlink(target, at);
			};
		};
		const struct
		{
			const char* what;
			// The engine's user folder.
			std::string userPath;
			std::function<void()> prepare;
			const char* levelName;
			// Why the save is refused; empty when it is made.
			std::string refusal;
		} rows[] = {
			{"a link in the place of the level", user, link(data + "Levels/Harbour", user + "Levels/LinkLevel"), "LinkLevel", ""},
			// A temporary file left under the writer's name would be written through.
			{"a link in the place of the writer's file", user, link(data + "Levels/Harbour", user + "Levels/LinkLevel.tmp"), "LinkLevel", ""},
			{"Levels a link to the data's", user, link(data + "Levels", user + "Levels"), "Harbour",
				"the folder \"" + user + "Levels/\" is a link, which a save never follows"},
			{"the user folder a link to the data", user + "Linked/", link(data, user + "Linked"), "Harbour",
				"the folder \"" + user + "Linked/Levels/\" lies in the game's data folder \"" + data + "\""},
			// Refused as any folder of the data is, not only its levels' folder.
			{"the user folder a link to another folder of the data", user + "Linked/", link(data + "Objects", user + "Linked"), "Harbour",
				"the folder \"" + user + "Linked/Levels/\" lies in the game's data folder \"" + data + "\""},
			{"the user folder under a link", user + "Above/" + dataName + "/", link(fs::path(data).parent_path().parent_path().string(), user + "Above"),
				"Harbour", "the folder \"" + user + "Above/" + dataName + "/Levels/\" lies in the game's data folder \"" + data + "\""},
			{"a working folder's file of the level's name", user, [] { std::ofstream("Harbour") << "not the level"; }, "Harbour", ""},
			{"a game's file that is no level", user, [] {}, "Pier", "the level name \"Pier\" is the game's file \"" + data + "Objects/Pier\", not a level"},
		};
		const fs::path started = fs::current_path();
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.what);
			fs::remove_all(user + "Levels");
			engine.reset();
			engine = std::make_unique<Engine>(data, row.userPath, kConfigFile);
			ASSERT_TRUE(engine->LoadLevel("Harbour"));
			const TempFolder workingFolder;
			fs::current_path(workingFolder.Path());
			row.prepare();
			::testing::internal::CaptureStderr();
			const bool saved = UserLevels::Save(*engine, row.levelName, "test");
			const std::string told = ::testing::internal::GetCapturedStderr();
			fs::current_path(started);
			engine->LeaveConfigurationUnwritten();

			EXPECT_THAT(Changed(shipped, Contents(data)), ::testing::IsEmpty()) << "the game's data was written";
			EXPECT_EQ(saved, row.refusal.empty()) << told;
			if (saved)
				EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(row.userPath + "Levels/" + row.levelName))) << "saved as a file";
			else
				EXPECT_THAT(told, ::testing::StartsWith("test: " + row.refusal));
			EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), saved ? 0 : 1) << told;
			fs::remove_all(user + "Linked");
			fs::remove_all(user + "Above");
		}
	}

	// A loop swapped the user's "Levels" for a link to the data's levels between the save's check of
	// the folder and its write: the shipped level was rewritten at the 7th save of one run.
	TEST_F(UserLevelsSave, SavesWhileALinkToTheDataIsSwappedInForTheFolderLeaveTheDataAsItWas)
	{
		constexpr unsigned kSaves = 20000;
		// In memory: each save flushes its file to the disk, which would take minutes for these.
		const TempFolder data("/dev/shm"), user("/dev/shm");
		fs::copy(kFixtures, data.Path(), fs::copy_options::recursive);
		const auto shipped = Contents(data.Path());
		engine.reset();
		engine = std::make_unique<Engine>(data.Path(), user.Path(), kConfigFile);
		engine->LeaveConfigurationUnwritten();
		const std::string levels = user.Path() + "Levels";
		const std::string swapped = user.Path() + "Swapped";
		fs::create_directory(levels);
		fs::create_symlink(data.Path() + "Levels", swapped);
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		std::atomic<bool> saving{true};
		std::thread swapper([&] {
			// One exchange at a time: the folder and the link trade places, neither ever missing.
			while (saving)
				renameat2(AT_FDCWD, levels.c_str(), AT_FDCWD, swapped.c_str(), RENAME_EXCHANGE);
		});
		unsigned made = 0;
		::testing::internal::CaptureStderr();
		for (unsigned save = 0; save < kSaves; ++save)
			made += UserLevels::Save(*engine, "Harbour", "test");
		tw::Diagnostics::Flush();
		::testing::internal::GetCapturedStderr();
		saving = false;
		swapper.join();

		EXPECT_THAT(Changed(shipped, Contents(data.Path())), ::testing::IsEmpty()) << "the game's data was written";
		EXPECT_GT(made, 0u) << "no save met the folder";
		EXPECT_LT(made, kSaves) << "no save met the link";
	}
}
