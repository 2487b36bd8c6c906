#include "Components/Logic/Popup.h"

#include "Components/Logic/MotionWorld.h"
#include "../../Utilities/ScriptMembers.h"

namespace
{
	using namespace test;

	struct PopupScene
	{
		explicit PopupScene(float jitterTime = 0.5f)
		{
			player = world.AddMoving(0, "", Tuple3f(10, 0, 0), Tuple3f(), false, "Player");
			popup = world.AddMoving(Popup::TypeId(), "<string>Player</string><float>4</float><float>" + std::to_string(jitterTime) + "</float>");
			log = &Listen(popup, {"Rotate"});
		}
		void PlaceWatched(float x) { player.SendMessage(Message("SetPos").Push(Tuple3f(x, 0, 0))); }

		MotionWorld world;
		Object player;
		Object popup;
		MessageLog* log = nullptr;
	};

	TEST(Popup, RisesWithinTheDistanceShakesHoldsAndLiesDownOnceTheWatchedObjectLeaves)
	{
		PopupScene scene;
		scene.PlaceWatched(3.9f);
		scene.world.Frame();
		EXPECT_EQ(scene.log->entries, (std::vector<std::string>{"Rotate 90 300"}));
		// 0.3 s of swinging, then 0.5 s of shakes every 0.2 s, then up: the distance is not looked at meanwhile.
		scene.PlaceWatched(30.0f);
		scene.world.Frame(19);
		ASSERT_EQ(scene.log->entries.size(), 2u);
		EXPECT_EQ(scene.log->entries.back(), "Rotate 85 100");
		scene.world.Frame(40);
		ASSERT_EQ(scene.log->entries.size(), 6u);
		EXPECT_EQ(scene.log->entries[2].substr(0, 10), "Rotate 93.");
		EXPECT_EQ(scene.log->entries[3].substr(0, 10), "Rotate 87.");
		EXPECT_EQ(scene.log->entries[4], "Rotate 90 300");
		EXPECT_EQ(scene.log->entries[5], "Rotate 0 300");
		EXPECT_EQ(MotionWorld::Of<Popup>(scene.popup).GetState(), Popup::kDown);
	}

	TEST(Popup, AWatchedObjectExactlyAtTheDistanceNeitherRaisesNorLowersIt)
	{
		PopupScene scene(0.0f);
		scene.PlaceWatched(4.0f);
		scene.world.Frame(10);
		EXPECT_TRUE(scene.log->entries.empty());
		scene.PlaceWatched(1.0f);
		scene.world.Frame(30);
		scene.PlaceWatched(4.0f);
		scene.world.Frame(10);
		// jitterTime 0 ends the shaking on its first frame, before any shake.
		EXPECT_EQ(scene.log->entries, (std::vector<std::string>{"Rotate 90 300", "Rotate 85 100", "Rotate 90 300"}));
		EXPECT_EQ(MotionWorld::Of<Popup>(scene.popup).GetState(), Popup::kUp);
	}

	TEST(Popup, PausedPhysicsFreezesItsStateAndItsTimers)
	{
		PopupScene scene;
		scene.PlaceWatched(1.0f);
		scene.world.Frame(10);
		MotionWorld::PausePhysics(true);
		scene.world.Frame(100);
		EXPECT_EQ(scene.log->entries.size(), 1u);
		EXPECT_EQ(MotionWorld::Of<Popup>(scene.popup).GetState(), Popup::kSwinging);
		MotionWorld::PausePhysics(false);
		scene.world.Frame(8);
		EXPECT_EQ(scene.log->entries.size(), 1u) << "the swing has 0.3 s to run, not 0";
		scene.world.Frame(2);
		EXPECT_EQ(scene.log->entries.size(), 2u);
	}

	TEST(Popup, ScriptsSeeTheSquaredDistanceAndTheSaveWritesTheDistance)
	{
		PopupScene scene;
		EXPECT_EQ(MotionWorld::Of<Popup>(scene.popup).objPopupDist, 16.0f);
		const std::string saved = MotionWorld::Saved(MotionWorld::Of<Popup>(scene.popup));
		EXPECT_NE(saved.find("<float name=\"objPopupDist\">4</float>"), std::string::npos) << saved;
		EXPECT_EQ(test::ScriptMembers("Popup"), (std::vector<std::string>{"watchedObj", "objPopupDist", "jitterTime"}));
	}
}
