#include "Systems/Logic/Logic.h"

#include "Components/Graphics/Camera.h"
#include "Components/Physics/CharacterController.h"
#include "Components/Physics/PhysicsComponentWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::PhysicsComponentWorld;

	TEST(LogicSystem, UpdatesTheControllersOfStartedObjectsOncePerFrame)
	{
		PhysicsComponentWorld world;
		Logic* logic = new Logic();
		world.engine.engine->AddSystem(logic);
		Camera::Register();

		const Object player = world.AddBodyObject("Player", Tuple3f(), false);
		player.object->AddComponent(Camera::TypeId());
		player.object->GetComponent<Camera>()->SetDirection(Tuple3f(0, 0, 1));
		PhysicsComponentWorld::AddLoaded(player, CharacterController::TypeId(),
			"<float>4</float><float>2</float><float>3</float><float>40</float><float>20</float><float>30</float><float>1</float>"
			"<float>1</float><float>10</float><float>5</float><Tuple3f>1 0.5 1</Tuple3f><float>0.2</float><float>0</float>");
		const Object crate = world.AddBodyObject("Crate", Tuple3f());
		EXPECT_TRUE(logic->GetLogicObjects().empty()) << "not started yet";

		player.object->Start();
		ASSERT_EQ(logic->GetLogicObjects(), std::vector<unsigned>{player.id});
		RigidBody& body = PhysicsComponentWorld::RigidBodyOf(player);
		body.Sleep();
		logic->Update();
		EXPECT_FALSE(body.IsAsleep()) << "the controller keeps its body awake";

		player.object->Destroy();
		ProcessObjectChanges();
		EXPECT_TRUE(logic->GetLogicObjects().empty());
		logic->Update();
		EXPECT_EQ(crate.object->GetComponent<CharacterController>(), nullptr);
	}
}
