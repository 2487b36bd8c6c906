#include "Components/Logic/ForceField.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/GameplayWorld.h"
#include "Systems/Physics/Collider.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	using test::GameplayWorld;

	const std::string kField = "<float>2</float><float>10</float><Tuple3f>1 0 0</Tuple3f>";

	// A touching body is pushed along the field by a strength that grows from tail at the centre to
	// head one unit ahead, times its radius squared and inverse mass. Off the line through the
	// centre it turns too, by 0.15 of the turn its inertia gives the push's torque about the centre:
	// one above turns about +z, one below the other way.
	TEST(ForceField, PushesAndTurnsABodyByWhereItTouchesTheField)
	{
		// (place of the crate, strength there)
		const std::pair<Tuple3f, float> cases[] = {{{0.5f, 0, 0}, 2 + 0.25f * 8}, {{1.5f, 0, 0}, 10}, {{1.0f, 0, 0}, 10},
			{{-1.0f, 0, 0}, 2}, {{0, 0, 0}, 2}, {{0, 1, 0}, 2}, {{0, -1, 0}, 2}};
		for (const auto& [place, strength] : cases)
		{
			SCOPED_TRACE(place);
			GameplayWorld world;
			const Object field = world.AddLogic(ForceField::TypeId(), kField);
			const Object crate = world.AddBodyObject("Crate", place, true, GameplayWorld::CubeBody());
			RigidBody& body = GameplayWorld::RigidBodyOf(crate);
			body.inverseMass = 0.5f;
			field.object->HandleMessage(test::Collision(crate.id, &body));
			field.object->GetComponent<ForceField>()->Update();
			const float radius = body.collider->GetRadius();
			ASSERT_GT(radius, 0.0f);
			EXPECT_NEAR(body.acceleration.x, strength * radius * radius * 0.5f, 1e-4f);
			const Tuple3f turn = (body.worldInverseInertia * Tuple3f(0, 0, place.y * strength * radius * radius)) * 0.15f;
			ASSERT_EQ(turn.z != 0.0f, place.y != 0.0f);
			for (int axis = 0; axis < 3; ++axis)
				EXPECT_NEAR(body.angularAcceleration[axis], turn[axis], 1e-5f) << "axis " << axis;
		}
	}

	// Static, controller and logic bodies are never pushed. A body is listed once however many
	// contacts it begins, so one "CollisionEnd" lets it go; a new contact takes it back without a
	// second "Blown". The rows share one field, as the bodies of a level do.
	TEST(ForceField, PushesAMovableBodyUntilItsContactEndsAndBlowsEachObjectOnce)
	{
		const struct { const char* flags; int contacts, ends; bool pushed; } cases[] = {{"STATIC", 2, 0, false},
			{"CONTROLLER", 2, 0, false}, {"LOGIC", 2, 0, false}, {"DEFAULT", 2, 0, true}, {"DEFAULT", 1, 1, false}, {"DEFAULT", 3, 1, false}};
		GameplayWorld world;
		const Object field = world.AddLogic(ForceField::TypeId(), kField);
		for (const auto& row : cases)
		{
			SCOPED_TRACE(std::string(row.flags) + ", " + std::to_string(row.contacts) + " contacts, " + std::to_string(row.ends) + " ends");
			const Object crate = world.AddBodyObject(row.flags, Tuple3f(0.5f, 0, 0), true, GameplayWorld::CubeBody(row.flags));
			test::MessageLog& log = test::Listen(crate, {"Blown"});
			RigidBody& body = GameplayWorld::RigidBodyOf(crate);
			body.inverseMass = std::string(row.flags) == "STATIC" ? 0.0f : 1.0f;
			for (int contact = 0; contact < row.contacts; ++contact)
				field.object->HandleMessage(test::Collision(crate.id, &body));
			for (int end = 0; end < row.ends; ++end)
				field.object->HandleMessage(Message("CollisionEnd").PushU32(crate.id).Push(&body));
			field.object->GetComponent<ForceField>()->Update();
			EXPECT_EQ(body.acceleration.x > 0.0f, row.pushed);
			field.object->HandleMessage(test::Collision(crate.id, &body));
			field.object->GetComponent<ForceField>()->Update();
			EXPECT_EQ(body.acceleration.x > 0.0f, std::string(row.flags) == "DEFAULT");
			EXPECT_EQ(log.Count("Blown"), 1u);
		}
	}

	TEST(ForceField, SetForceAndSetDirectionChangeTheFieldButAZeroDirectionIsRefused)
	{
		GameplayWorld world;
		const Object object = world.AddLogic(ForceField::TypeId(), kField);
		const ForceField& field = *object.object->GetComponent<ForceField>();
		object.object->HandleMessage(Message("SetForce").PushFloat(5));
		EXPECT_EQ(std::make_pair(field.GetHeadForce(), field.GetTailForce()), std::make_pair(5.0f, 5.0f));
		object.object->HandleMessage(Message("SetForce").PushFloat(5).PushFloat(2));
		EXPECT_EQ(std::make_pair(field.GetHeadForce(), field.GetTailForce()), std::make_pair(5.0f, 2.0f));
		object.object->HandleMessage(Message("SetDirection").Push(Tuple3f(0, 2, 0)));
		EXPECT_EQ(field.GetDirection(), Tuple3f(0, 1, 0));
		tw::Diagnostics::Flush();
		testing::internal::CaptureStderr();
		object.object->HandleMessage(Message("SetDirection").Push(Tuple3f(0, 0, 0)));
		EXPECT_NE(testing::internal::GetCapturedStderr().find("SetDirection"), std::string::npos);
		EXPECT_EQ(field.GetDirection(), Tuple3f(0, 1, 0));
		// Bodies pushed after the refusal get finite values.
		const Object crate = world.AddBodyObject("Crate", Tuple3f(0.5f, 0, 0));
		object.object->HandleMessage(test::Collision(crate.id, &GameplayWorld::RigidBodyOf(crate)));
		object.object->GetComponent<ForceField>()->Update();
		EXPECT_TRUE(IsFinite(GameplayWorld::RigidBodyOf(crate).acceleration));
	}

	TEST(ForceField, ABodyItsObjectNoLongerOwnsIsNeverPushed)
	{
		GameplayWorld world;
		const Object field = world.AddLogic(ForceField::TypeId(), kField);
		const Object crate = world.AddBodyObject("Crate", Tuple3f(0.5f, 0, 0));
		field.object->HandleMessage(test::Collision(crate.id, &GameplayWorld::RigidBodyOf(crate)));
		crate.object->RemoveComponent("Body");
		ProcessObjectChanges();
		// The freed record may now serve another object's body.
		const Object other = world.AddBodyObject("Other", Tuple3f(0.5f, 0, 0));
		field.object->GetComponent<ForceField>()->Update();
		EXPECT_EQ(GameplayWorld::RigidBodyOf(other).acceleration, Tuple3f());
	}

	TEST(ForceField, ARagdollPartIsPushedOnlyWhileItsFigureLiesAsARagdoll)
	{
		GameplayWorld world;
		const Object field = world.AddLogic(ForceField::TypeId(), kField);
		const Object figure = world.AddFigure(Tuple3f(0.5f, 0, 0), true);
		RigidBody& part = *figure.object->GetComponent<Ragdoll>()->GetParts().front().body;
		field.object->HandleMessage(test::Collision(figure.id, &part));
		ForceField& forceField = *field.object->GetComponent<ForceField>();
		forceField.Update();
		EXPECT_GT(part.acceleration.x, 0.0f);
		part.acceleration = Tuple3f();
		figure.object->HandleMessage(Message("Ragdoll").PushBool(false));
		forceField.Update();
		EXPECT_EQ(part.acceleration, Tuple3f()) << "out of the simulation since the switch";
	}
}
