#include "EngineTestSupport.h"

#include "UserLevels.h"

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
}
