#include "Components/Logic/Mover.h"

#include "Components/Logic/MotionWorld.h"

namespace
{
	using namespace test;

	TEST(Mover, MovesOnePhysicsStepOfItsVelocityPerFrameEvenWhilePhysicsIsPaused)
	{
		for (const bool paused : {false, true})
		{
			MotionWorld world;
			const Object platform = world.AddLogic(Mover::TypeId(), "<Tuple3f>0 0 1</Tuple3f>", Tuple3f(2, 0, 0));
			MotionWorld::PausePhysics(paused);
			world.Frame(10);
			EXPECT_NEAR(MotionWorld::PositionOf(platform).z, 0.16f, 1e-5f) << paused;
			EXPECT_EQ(MotionWorld::PositionOf(platform).x, 2.0f);
		}
	}

	TEST(Mover, SetVelocityChangesItsCourseAndTheSaveKeepsTheLoadedVelocity)
	{
		MotionWorld world;
		const Object platform = world.AddLogic(Mover::TypeId(), "<Tuple3f>0 0 1</Tuple3f>");
		const std::string saved = MotionWorld::Saved(MotionWorld::Of<Mover>(platform));
		EXPECT_NE(saved.find("<Tuple3f name=\"velocity\">0 0 1</Tuple3f>"), std::string::npos) << saved;
		platform.SendMessage(Message("SetVelocity").Push(Tuple3f(-2, 0, 0)));
		world.Frame(5);
		EXPECT_NEAR(MotionWorld::PositionOf(platform).x, -0.16f, 1e-5f);
		EXPECT_EQ(MotionWorld::PositionOf(platform).z, 0.0f);
	}
}
