#include "Components/Physics/CharacterController.h"

#include "Components/Graphics/Camera.h"
#include "Components/Physics/PhysicsComponentWorld.h"
#include "Systems/Physics/CollisionManifold.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	using test::PhysicsComponentWorld;

	// Speeds 4 forward, 2 backward, 3 sideways; accelerations 40, 20, 30; air factors 0.5 and 0.25;
	// deceleration 10, jump speed 5, crouched scale (1, 0.5, 1) over 0.16 s.
	const std::string kControllerValues = "<float>4</float><float>2</float><float>3</float>"
		"<float>40</float><float>20</float><float>30</float><float>0.5</float><float>0.25</float>"
		"<float>10</float><float>5</float><Tuple3f>1 0.5 1</Tuple3f><float>0.16</float><float>45</float>";

	class CharacterController_ : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			Camera::Register();
			::CharacterController::Register();
			player = MakePlayer(kControllerValues);
		}

		// A player on a NOGRAVITY body looking down +z (right vector -x), started.
		Object MakePlayer(const std::string& values)
		{
			const Object object = world.AddBodyObject("Player", Tuple3f(0, 1, 0), false,
				PhysicsComponentWorld::BodyValues("NOGRAVITY"));
			object.object->AddComponent(Camera::TypeId());
			Look(object, Tuple3f(0, 0, 1));
			PhysicsComponentWorld::AddLoaded(object, ::CharacterController::TypeId(), values);
			object.object->Start();
			return object;
		}

		static void Look(const Object& object, const Tuple3f& direction)
		{
			Camera* camera = object.object->GetComponent<Camera>();
			camera->SetDirection(direction);
			camera->SetRight(Tuple3f().CrossProduct(direction, Tuple3f(0, 1, 0)).Normalize());
		}

		::CharacterController& Controller() const { return *player.object->GetComponent<::CharacterController>(); }
		RigidBody& Body() const { return PhysicsComponentWorld::RigidBodyOf(player); }

		// The floor touches the player: the pair's manifold holds a contact with the normal, and the
		// player hears of it.
		void Touch(const Tuple3f& normal)
		{
			CollisionManifold* manifold = world.physics->GetTransgression().FindOrCreateManifold(Body(), floor);
			ContactPoint contact;
			contact.normal = normal;
			manifold->AddContact(contact);
			Message collision("Collision");
			collision.PushU32(floorId).Push(Tuple3f()).Push(normal).PushFloat(0.01f).Push(&floor);
			player.object->HandleMessage(collision);
		}

		void Send(const char* name, float value)
		{
			Message message(name);
			message.PushFloat(value);
			player.object->HandleMessage(message);
		}

		// Two updates: the first notices the contact, the second measures it.
		void Land(const Tuple3f& normal)
		{
			Touch(normal);
			Controller().Update();
			Controller().Update();
		}

		PhysicsComponentWorld world;
		Object player;
		RigidBody floor;
		unsigned floorId = 77;
	};

	class CharacterControllerTest : public CharacterController_
	{
	};

	TEST_F(CharacterControllerTest, LoadDerivesTheAirTables)
	{
		EXPECT_FLOAT_EQ(Controller().airMaxSpeed[::CharacterController::kBackward], 1.0f);
		EXPECT_FLOAT_EQ(Controller().airAcceleration[::CharacterController::kSideways], 7.5f);
		EXPECT_FLOAT_EQ(Controller().angle, 45.0f);
		EXPECT_TRUE(Controller().IsAirborne());
	}

	TEST_F(CharacterControllerTest, SavesItsThirteenValuesAndReloadsToTheSameText)
	{
		const std::string saved = PhysicsComponentWorld::Saved(Controller());
		EXPECT_NE(saved.find(">0.16<"), std::string::npos) << saved;
		EXPECT_NE(saved.find(">1 0.5 1<"), std::string::npos) << saved;
		PhysicsComponentWorld::ExpectSavedTextReloads(Controller(), CreateObject("Reloaded"));
	}

	TEST_F(CharacterControllerTest, MovingWhileFallingKeepsTheFallSpeed)
	{
		for (const char* message : {"MoveForward", "Strafe"})
		{
			Body().velocity = Tuple3f(0, -6, 0);
			Send(message, 1.0f);
			EXPECT_FLOAT_EQ(Body().velocity.y, -6.0f) << message;
			EXPECT_GT(std::hypot(Body().velocity.x, Body().velocity.z), 0.0f) << message << " steers in the air";
		}
	}

	TEST_F(CharacterControllerTest, JumpNeedsGroundFirmerThanTheThreshold)
	{
		const float steepest = std::sqrt(1.0f - 0.05f * 0.05f);
		const struct
		{
			const char* name;
			Tuple3f normal;
			bool jumps;
		} cases[] = {
			{"flat floor", Tuple3f(0, 1, 0), true},
			{"slope just over the threshold", Tuple3f(steepest, 0.051f, 0).Normalize(), true},
			{"ground exactly at the threshold", Tuple3f(steepest, 0.05f, 0), false},
			{"vertical wall", Tuple3f(1, 0, 0), false},
		};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.name);
			player = MakePlayer(kControllerValues);
			Land(c.normal);
			Body().velocity = Tuple3f();
			Send("Jump", 0.0f);
			EXPECT_FLOAT_EQ(Body().velocity.y, c.jumps ? 5.0f : 0.0f);
		}
	}

	TEST_F(CharacterControllerTest, NoJumpInTheAirOrBeforeAFrameOfContact)
	{
		Send("Jump", 0.0f);
		Touch(Tuple3f(0, 1, 0));
		Send("Jump", 0.0f);
		EXPECT_FLOAT_EQ(Body().velocity.y, 0.0f);

		Controller().Update();
		Controller().Update();
		Message end("CollisionEnd");
		end.PushU32(floorId).Push(&floor);
		player.object->HandleMessage(end);
		Controller().Update();
		Send("Jump", 0.0f);
		EXPECT_FLOAT_EQ(Body().velocity.y, 0.0f);
		EXPECT_TRUE(Controller().IsAirborne());
	}

	TEST_F(CharacterControllerTest, MovesAlongTheCameraUpToTheMaximum)
	{
		Land(Tuple3f(0, 1, 0));
		const float dt = world.Settings().timeStep;
		const struct
		{
			const char* message;
			float input;
			Tuple3f look;
			Tuple3f expected;
		} cases[] = {
			{"MoveForward", 1.0f, Tuple3f(0, 0, 1), Tuple3f(0, 0, 40 * dt)},
			{"MoveForward", -1.0f, Tuple3f(0, 0, 1), Tuple3f(0, 0, -20 * dt)},
			{"MoveForward", 1.0f, Tuple3f(1, 0, 0), Tuple3f(40 * dt, 0, 0)},
			// Looking down at the floor still walks horizontally.
			{"MoveForward", 1.0f, Tuple3f(0, -1, 1).Normalize(), Tuple3f(0, 0, 40 * dt)},
			{"Strafe", 1.0f, Tuple3f(0, 0, 1), Tuple3f(-30 * dt, 0, 0)},
			{"Strafe", -1.0f, Tuple3f(0, 0, 1), Tuple3f(30 * dt, 0, 0)},
			// The maximum scales with the input: 4 × 0.1.
			{"MoveForward", 0.1f, Tuple3f(0, 0, 1), Tuple3f(0, 0, 0.4f)},
			{"MoveForward", 0.0f, Tuple3f(0, 0, 1), Tuple3f(0, 0, 0)},
		};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(std::string(c.message) + " " + std::to_string(c.input));
			Look(player, c.look);
			Body().velocity = Tuple3f();
			Send(c.message, c.input);
			EXPECT_NEAR(Body().velocity.x, c.expected.x, 1e-5);
			EXPECT_NEAR(Body().velocity.y, 0.0f, 1e-5);
			EXPECT_NEAR(Body().velocity.z, c.expected.z, 1e-5);
		}
	}

	TEST_F(CharacterControllerTest, HoldingAMoveReachesTheMaximumAndDoesNotBrakeAFasterBody)
	{
		Land(Tuple3f(0, 1, 0));
		for (int frame = 0; frame < 20; ++frame)
			Send("MoveForward", 1.0f);
		EXPECT_NEAR(Body().velocity.z, 4.0f, 1e-4);

		Body().velocity = Tuple3f(0, 0, 9);
		Send("MoveForward", 1.0f);
		Controller().Update();
		EXPECT_FLOAT_EQ(Body().velocity.z, 9.0f) << "neither clamped nor decelerated";
	}

	TEST_F(CharacterControllerTest, DeceleratesOnTheGroundWithoutInputOnly)
	{
		Body().velocity = Tuple3f(3, 1, 4);
		Controller().Update();
		EXPECT_FLOAT_EQ(Body().velocity.z, 4.0f) << "airborne: no deceleration";

		Land(Tuple3f(0, 1, 0));
		Body().velocity = Tuple3f(3, 1, 4);
		Controller().Update();
		const float slowed = 5.0f - world.Settings().timeStep * 10.0f;
		EXPECT_NEAR(Body().velocity.x, 3.0f * slowed / 5.0f, 1e-5);
		EXPECT_NEAR(Body().velocity.z, 4.0f * slowed / 5.0f, 1e-5);
		EXPECT_FLOAT_EQ(Body().velocity.y, 1.0f);
		for (int frame = 0; frame < 100; ++frame)
			Controller().Update();
		EXPECT_FLOAT_EQ(Body().velocity.x, 0.0f);
	}

	TEST_F(CharacterControllerTest, CrouchShrinksAndLowersThenUncrouchRestores)
	{
		Land(Tuple3f(0, 1, 0));
		Transform& transform = *player.object->GetComponent<Transform>();
		const float standingY = transform.GetWorldPosition().y;
		player.object->HandleMessage(Message("Crouch"));
		for (int frame = 0; frame < 20; ++frame)
			Controller().Update();
		EXPECT_EQ(Controller().GetCrouchState(), ::CharacterController::kAtRest);
		EXPECT_NEAR(transform.GetScale().y, 0.5f, 1e-5);
		EXPECT_NEAR(transform.GetWorldPosition().y, standingY - 0.25f, 1e-4);

		player.object->HandleMessage(Message("Uncrouch"));
		for (int frame = 0; frame < 20; ++frame)
			Controller().Update();
		EXPECT_NEAR(transform.GetScale().y, 1.0f, 1e-5);
		EXPECT_NEAR(transform.GetWorldPosition().y, standingY, 1e-4);
	}

	TEST_F(CharacterControllerTest, ACrouchTimeOfZeroCrouchesAtOnce)
	{
		std::string values = kControllerValues;
		values.replace(values.find("<float>0.16</float>"), 19, "<float>0</float>");
		player = MakePlayer(values);
		Land(Tuple3f(0, 1, 0));
		Transform& transform = *player.object->GetComponent<Transform>();
		const float standingY = transform.GetWorldPosition().y;
		player.object->HandleMessage(Message("Crouch"));
		Controller().Update();
		EXPECT_FLOAT_EQ(transform.GetScale().y, 0.5f);
		EXPECT_NEAR(transform.GetWorldPosition().y, standingY - 0.25f, 1e-5);
		player.object->HandleMessage(Message("Uncrouch"));
		Controller().Update();
		EXPECT_FLOAT_EQ(transform.GetScale().y, 1.0f);
		EXPECT_NEAR(transform.GetWorldPosition().y, standingY, 1e-5);
	}

	TEST_F(CharacterControllerTest, FacesTheCameraAndKeepsTheBodyAwake)
	{
		Look(player, Tuple3f(1, 0, 0));
		Body().Sleep();
		Controller().Update();
		const Tuple3f facing = player.object->GetComponent<Transform>()->GetWorldRotationVector();
		EXPECT_NEAR(facing.y, 1.5707964f, 1e-4);
		EXPECT_FALSE(Body().IsAsleep());
	}
}
