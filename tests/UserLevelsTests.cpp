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

	// A user folder is data anyone may hand over: a link in it led the save into the game's Data.
	TEST_F(UserLevelsSave, ASaveNeverWritesThroughALinkSoTheShippedLevelStaysByteForByte)
	{
		namespace fs = std::filesystem;
		// A copy of the fixtures, so that a failure rewrites no file of the project's.
		fs::copy(kFixtures, dataFolder.Path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
		const std::string before = dataFolder.ReadFile("Levels/Harbour");
		const std::string levels = userFolder.Path() + "Levels";
		const struct
		{
			const char* linkName;
			const char* linkTarget;
			const char* levelName;
			bool saved;
		} rows[] = {
			{"Levels/LinkLevel", "Levels/Harbour", "LinkLevel", true},
			// A temporary file left under the writer's name would be written through.
			{"Levels/LinkLevel.tmp", "Levels/Harbour", "LinkLevel", true},
			{"Levels", "Levels", "Harbour", false},
		};
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.linkName);
			fs::remove_all(levels);
			engine.reset();
			MakeEngine();
			ASSERT_TRUE(engine->LoadLevel("Harbour"));
			if (std::string(row.linkName) != "Levels")
				fs::create_directories(levels);
			fs::create_symlink(dataFolder.Path() + row.linkTarget, userFolder.Path() + row.linkName);
			::testing::internal::CaptureStderr();
			EXPECT_EQ(UserLevels::Save(*engine, row.levelName, "test"), row.saved);
			const std::string told = ::testing::internal::GetCapturedStderr();

			EXPECT_EQ(dataFolder.ReadFile("Levels/Harbour"), before);
			const std::string saved = levels + "/" + row.levelName;
			if (row.saved)
				EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(saved))) << "the link was kept";
			else
				EXPECT_THAT(told, ::testing::HasSubstr("test: the folder \"" + levels + "/\" is a link"));
			EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), row.saved ? 0 : 1) << told;
		}
	}
}

