#include "EngineTestSupport.h"

#include "UserLevels.h"

#include <gmock/gmock.h>

namespace
{
	using namespace test;

	// The fixtures' shipped levels, saved as the editor saves them: into the user folder's "Levels/".
	class UserLevelsSave : public EngineTest
	{
	protected:
		void SetUp() override
		{
			EngineTest::SetUp();
			MakeEngine(kFixtures);
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
		namespace fs = std::filesystem;
		// A copy of the fixtures, so that a failure rewrites no file of the project's.
		fs::copy(kFixtures, dataFolder.Path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
		dataFolder.WriteFile("Objects/Pier", "no level");
		const std::string shipped = dataFolder.ReadFile("Levels/Harbour");
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

			EXPECT_TRUE(dataFolder.ReadFile("Levels/Harbour") == shipped) << "the shipped level was rewritten";
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
}
