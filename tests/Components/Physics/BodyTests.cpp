#include "Components/Physics/Body.h"

#include "Components/Physics/PhysicsComponentWorld.h"
#include "Components/Physics/PhysicsMaterial.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/v8/JSObject.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <vector>

namespace
{
	using test::PhysicsComponentWorld;

	class BodyComponent : public ::testing::Test
	{
	protected:
		PhysicsComponentWorld world;
	};

	// The velocities are what the simulation changes; everything else must come back as written.
	std::string WithoutDynamicFields(const std::string& text)
	{
		static const std::regex dynamic("(name=\"(Velocity|Acceleration|Angular Velocity|Angular Acceleration)\">)[^<]*");
		return std::regex_replace(text, dynamic, "$1");
	}

	TEST_F(BodyComponent, SaveThenLoadGivesTheSameText)
	{
		const std::string values = PhysicsComponentWorld::BodyValues(" GHOST NOGRAVITY", test::kTestColliderType, "1 2 3");
		const Object first = world.AddBodyObject("First", Tuple3f(0, 5, 0), true, values);
		world.Step(3);
		const std::string saved = PhysicsComponentWorld::Saved(PhysicsComponentWorld::BodyOf(first));

		Serializer reread;
		std::istringstream text(saved);
		ASSERT_TRUE(reread.LoadFromStream(text, "BodySavedText"));
		const Object second = CreateObject("Second");
		second.object->AddComponent(Transform::TypeId());
		second.object->AddComponent(Body::TypeId(), reread);
		const std::string resaved = PhysicsComponentWorld::Saved(PhysicsComponentWorld::BodyOf(second));

		EXPECT_EQ(resaved, saved);
		EXPECT_NE(saved.find("CDATA[ GHOST NOGRAVITY]"), std::string::npos);
		EXPECT_NE(saved.find(test::kTestColliderType), std::string::npos);
		const std::string unstepped =
			PhysicsComponentWorld::Saved(PhysicsComponentWorld::BodyOf(world.AddBodyObject("Third", Tuple3f(), true, values)));
		EXPECT_EQ(WithoutDynamicFields(unstepped), WithoutDynamicFields(saved));
	}

	// A level of hundreds of crates, or spawners making bodies seconds apart, against a full pool:
	// the problem lasts, so it is printed once, naming the first object and the setting, and every
	// later object that finds the pool full is only counted, whatever its name.
	TEST_F(BodyComponent, AFullPoolIsPrintedOnceForTheFirstObjectAndCountedForTheRest)
	{
		while (world.Resolution().bodyPool.Insert(RigidBody()) != nullptr)
			;
		::testing::internal::CaptureStderr();
		for (int spawn = 0; spawn < 3; ++spawn)
		{
			world.AddBodyObject("Late" + std::to_string(spawn), Tuple3f(0, 5, 0));
			for (int frame = 0; frame < 3; ++frame)
				tw::Diagnostics::EndFrame();
		}
		const std::string printed = ::testing::internal::GetCapturedStderr();
		::testing::internal::CaptureStderr();
		tw::Diagnostics::Flush();
		const std::string counted = ::testing::internal::GetCapturedStderr();
		const std::string line = "Body of object \"Late0\": the body pool is full (Max_Bodies 100), the object is not simulated\n";
		EXPECT_EQ(printed, line);
		EXPECT_EQ(counted, line.substr(0, line.size() - 1) + " [repeated 2 more times]\n");
	}

	TEST_F(BodyComponent, FlagWordsAreWrittenAsNamesOrDefault)
	{
		const struct
		{
			const char* flags;
			unsigned mask;
			const char* written;
		} cases[] = {
			{"DEFAULT", 0u, ">DEFAULT<"},
			{"GHOST NOGRAVITY", kBodyGhost | kBodyNoGravity, "CDATA[ GHOST NOGRAVITY]"},
			{"CONTROLLER", kBodyController, "CDATA[ CONTROLLER]"},
		};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.flags);
			const Object object = world.AddBodyObject("Flags", Tuple3f(), false, PhysicsComponentWorld::BodyValues(c.flags));
			EXPECT_EQ(PhysicsComponentWorld::RigidBodyOf(object).flags, c.mask);
			EXPECT_NE(PhysicsComponentWorld::Saved(PhysicsComponentWorld::BodyOf(object)).find(c.written), std::string::npos);
		}
	}

	TEST_F(BodyComponent, LoadMakesASimulatedBodyAndStartPlacesIt)
	{
		const Object object = world.AddBodyObject("Crate", Tuple3f(1, 2, 3), false);
		RigidBody& body = PhysicsComponentWorld::RigidBodyOf(object);
		EXPECT_TRUE(world.Resolution().GetBodies().Contains(body));
		EXPECT_EQ(body.ownerId, object.id);
		EXPECT_EQ(body.transform, nullptr);

		object.object->Start();
		EXPECT_EQ(body.transform, object.object->GetComponent<Transform>());
		EXPECT_FLOAT_EQ(body.mass, 1.0f);
		EXPECT_EQ(world.physics->GetDetection().GetPendingCount(), 1u);
		EXPECT_EQ(body.collider, PhysicsComponentWorld::BodyOf(object).GetCollider());
		world.Step(10);
		EXPECT_LT(object.object->GetComponent<Transform>()->GetWorldPosition().y, 2.0f);
	}

	TEST_F(BodyComponent, UnknownColliderTypeLeavesABodyWithoutCollider)
	{
		const Object object =
			world.AddBodyObject("Odd", Tuple3f(), true, PhysicsComponentWorld::BodyValues("DEFAULT", "NoSuchCollider"));
		Body& body = PhysicsComponentWorld::BodyOf(object);
		EXPECT_EQ(body.GetCollider(), nullptr);
		EXPECT_TRUE(body.IsStarted());
		EXPECT_EQ(world.physics->GetDetection().GetPendingCount(), 0u);
		EXPECT_EQ(PhysicsComponentWorld::Saved(body).find("Composite"), std::string::npos);
	}

	TEST_F(BodyComponent, SetPosAndSetRotWakeTheWholeIsland)
	{
		for (const char* message : {"SetPos", "SetRot"})
		{
			SCOPED_TRACE(message);
			const Object moved = world.AddBodyObject("Moved", Tuple3f());
			const Object neighbour = world.AddBodyObject("Neighbour", Tuple3f(0, 1, 0));
			RigidBody& movedBody = PhysicsComponentWorld::RigidBodyOf(moved);
			RigidBody& neighbourBody = PhysicsComponentWorld::RigidBodyOf(neighbour);
			world.physics->GetTransgression().islands.Union(&movedBody, &neighbourBody);
			movedBody.Sleep();
			neighbourBody.Sleep();

			Message move(message);
			move.Push(Tuple3f(0.5f, 4.0f, 0.0f));
			moved.object->HandleMessage(move);

			EXPECT_FALSE(movedBody.IsAsleep());
			EXPECT_FALSE(neighbourBody.IsAsleep());
			EXPECT_FALSE(world.physics->GetTransgression().IsIslandAsleep(neighbourBody));
		}
	}

	TEST_F(BodyComponent, SetPosPlacesTheBodyInWorldSpace)
	{
		const Object object = world.AddBodyObject("Crate", Tuple3f());
		Message move("SetPos");
		move.Push(Tuple3f(3, 4, 5));
		object.object->HandleMessage(move);
		const RigidBody& body = PhysicsComponentWorld::RigidBodyOf(object);
		EXPECT_FLOAT_EQ(body.GetPosition().y, 4.0f);
		EXPECT_FLOAT_EQ(body.transforms.world.At(1, 3), 4.0f);
	}

	TEST_F(BodyComponent, VelocityMessagesWakeOnlyForLinearVelocity)
	{
		const Object object = world.AddBodyObject("Crate", Tuple3f());
		RigidBody& body = PhysicsComponentWorld::RigidBodyOf(object);
		body.Sleep();
		Message spin("SetAngularVelocity");
		spin.Push(Tuple3f(0, 2, 0));
		object.object->HandleMessage(spin);
		EXPECT_FLOAT_EQ(body.angularVelocity.y, 2.0f);
		EXPECT_TRUE(body.IsAsleep());

		Message push("SetVelocity");
		push.Push(Tuple3f(1, 0, 0));
		object.object->HandleMessage(push);
		EXPECT_FLOAT_EQ(body.velocity.x, 1.0f);
		EXPECT_FALSE(body.IsAsleep());
	}

	TEST_F(BodyComponent, RemoteInitStartsOnceAndKeepsADetachedColliderOut)
	{
		const Object object = world.AddBodyObject("Ragdolled", Tuple3f(), false);
		Body& body = PhysicsComponentWorld::BodyOf(object);
		object.object->HandleMessage(Message("RemoteInit"));
		EXPECT_TRUE(body.IsStarted());
		EXPECT_EQ(world.physics->GetDetection().GetPendingCount(), 1u);

		// A later start does nothing: handlers are not doubled and the collider is not queued again.
		object.object->Start();
		object.object->HandleMessage(Message("RemoteInit"));
		EXPECT_EQ(world.physics->GetDetection().GetPendingCount(), 1u);
		EXPECT_EQ(object.object->GetHandlerTargets("SetPos").size(), 1u);
	}

	TEST_F(BodyComponent, SetStaticTakesTheMassAwayWithOrWithoutAMaterial)
	{
		for (const bool hasMaterial : {true, false})
		{
			SCOPED_TRACE(hasMaterial ? "with a material" : "without a material");
			const Object object = world.AddBodyObject("Crate", Tuple3f(), false,
				PhysicsComponentWorld::BodyValues("DEFAULT", "CompositePrimitive", "0 0 0", PhysicsComponentWorld::UnitCube()));
			if (hasMaterial)
				PhysicsComponentWorld::AddLoaded(object, PhysicsMaterial::TypeId(), "<float>0.5</float><float>0.8</float><float>2</float>");
			object.object->Start();
			RigidBody& body = PhysicsComponentWorld::RigidBodyOf(object);
			ASSERT_GT(body.mass, 0.0f);
			body.velocity = Tuple3f(3, 0, 0);
			body.angularVelocity = Tuple3f(0, 1, 0);

			object.object->HandleMessage(Message("SetStatic"));
			EXPECT_TRUE(body.IsStatic());
			EXPECT_EQ(body.velocity + body.angularVelocity, Tuple3f()) << "a sliding body stops";
			EXPECT_TRUE(body.IsAsleep());
			EXPECT_FLOAT_EQ(PhysicsMaterial::FrictionOf(object.id), hasMaterial ? 0.8f : PhysicsMaterial::kDefaultFriction);
		}
	}

	TEST_F(BodyComponent, SetScaleTakesMassAndInertiaWithIt)
	{
		const Object object = world.AddBodyObject("Crate", Tuple3f(), true,
			PhysicsComponentWorld::BodyValues("DEFAULT", "CompositePrimitive", "0 0 0", PhysicsComponentWorld::UnitCube()));
		RigidBody& body = PhysicsComponentWorld::RigidBodyOf(object);
		const float mass = body.mass, inverseInertia = body.localInverseInertia.At(0, 0);
		Message scale("SetScale");
		scale.Push(Tuple3f(2, 2, 2));
		object.object->HandleMessage(scale);
		world.physics->Update();
		EXPECT_NEAR(body.mass, 8 * mass, 1e-3 * mass);
		EXPECT_NEAR(body.localInverseInertia.At(0, 0), inverseInertia / 32, 1e-3 * inverseInertia / 32) << "m r² grows 32-fold";
	}

	// Every field a rescale recomputes, compared bit for bit.
	std::vector<unsigned char> RescaledState(const RigidBody& body)
	{
		std::vector<unsigned char> bytes;
		const auto add = [&bytes](const auto& field) {
			const auto* first = reinterpret_cast<const unsigned char*>(&field);
			bytes.insert(bytes.end(), first, first + sizeof(field));
		};
		add(body.mass);
		add(body.inverseMass);
		add(body.localInverseInertia);
		add(body.worldInverseInertia);
		add(body.centreOfMass);
		add(body.transforms);
		add(body.orientation);
		for (int index = 0; index < 6; ++index)
			add(body.collider->GetBounds()[index]);
		return bytes;
	}

	// As a logic component's update sends it: the recompute is put off until a reader comes.
	void SendScale(const Object& object, const Tuple3f& scale)
	{
		PendingRescales& rescales = Physics::Instance()->GetRescales();
		rescales.SetDeferring(true);
		Message message("SetScale");
		message.Push(scale);
		object.object->HandleMessage(message);
		rescales.SetDeferring(false);
	}

	TEST_F(BodyComponent, GrowAndShrinkBeforeAnyReaderLeaveTheBodyUntouched)
	{
		const Object object = world.AddBodyObject("Piece", Tuple3f(1, 2, 3), true,
			PhysicsComponentWorld::BodyValues("DEFAULT", "CompositePrimitive", "0 0 0", PhysicsComponentWorld::UnitCube()));
		const RigidBody& body = PhysicsComponentWorld::RigidBodyOf(object);
		const std::vector<unsigned char> before = RescaledState(body);
		const std::uint64_t generation = RigidBody::placementGeneration;
		SendScale(object, Tuple3f(2, 2, 2));
		SendScale(object, Tuple3f(1, 1, 1));
		world.physics->GetRescales().SettleAll();
		EXPECT_EQ(RescaledState(body), before);
		EXPECT_EQ(RigidBody::placementGeneration, generation) << "nothing was placed again";
		EXPECT_FALSE(body.IsAsleep());
	}

	// Each reader settles the rescale first, whatever happened to the body between grow and shrink.
	// A single grow counts too: the Transform has the new scale before the Body hears of it.
	TEST_F(BodyComponent, EveryReaderSeesTheScaleLastSent)
	{
		const struct
		{
			const char* name;
			bool movedBetween;
			Tuple3f finalScale;
			void (*read)(test::PhysicsComponentWorld&);
		} cases[] = {
			{"physics step after one grow", false, Tuple3f(2, 2, 2), [](test::PhysicsComponentWorld& w) { w.physics->Update(); }},
			{"ray query after one grow", false, Tuple3f(2, 2, 2), [](test::PhysicsComponentWorld&) { Physics::RayCast(Tuple3f(0, 50, 0), Tuple3f(0, -1, 0)); }},
			{"moved between", true, Tuple3f(1, 1, 1), [](test::PhysicsComponentWorld&) { Physics::RayCast(Tuple3f(0, 50, 0), Tuple3f(0, -1, 0)); }},
		};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.name);
			const std::string cube = PhysicsComponentWorld::BodyValues("NOGRAVITY", "CompositePrimitive", "0 0 0", PhysicsComponentWorld::UnitCube());
			const Object reference = world.AddBodyObject("Reference", Tuple3f(0, 10, 0), false, cube);
			reference.object->GetComponent<Transform>()->SetScale(c.finalScale);
			reference.object->Start();
			const Object object = world.AddBodyObject("Piece", Tuple3f(0, 0, 0), true, cube);
			SendScale(object, Tuple3f(2, 2, 2));
			if (c.movedBetween)
			{
				Message move("SetPos");
				move.Push(Tuple3f(0, 10, 0));
				object.object->HandleMessage(move);
				SendScale(object, Tuple3f(1, 1, 1));
			}
			c.read(world);
			const RigidBody& body = PhysicsComponentWorld::RigidBodyOf(object);
			const RigidBody& expected = PhysicsComponentWorld::RigidBodyOf(reference);
			EXPECT_FLOAT_EQ(body.mass, expected.mass);
			EXPECT_FLOAT_EQ(body.localInverseInertia.At(1, 1), expected.localInverseInertia.At(1, 1));
			EXPECT_FLOAT_EQ(body.collider->GetBounds()[0] - body.GetPosition().x, expected.collider->GetBounds()[0] - expected.GetPosition().x);
			DestroyAllObjects();
			ProcessObjectChanges();
		}
	}

	TEST_F(BodyComponent, ABodyRemovedWithItsRescalePendingIsNeverSettled)
	{
		const Object object = world.AddBodyObject("Piece", Tuple3f());
		const RigidBody* body = PhysicsComponentWorld::BodyOf(object).GetBody();
		SendScale(object, Tuple3f(3, 3, 3));
		ASSERT_TRUE(world.physics->GetRescales().IsPending(*body));
		object.object->RemoveComponent("Body");
		ProcessObjectChanges();
		EXPECT_TRUE(world.physics->GetRescales().IsEmpty());
		world.physics->Update();
	}

	TEST_F(BodyComponent, RemovalTakesTheBodyAndColliderAway)
	{
		const Object object = world.AddBodyObject("Crate", Tuple3f());
		RigidBody* body = PhysicsComponentWorld::BodyOf(object).GetBody();
		const unsigned poolSize = world.Resolution().bodyPool.Count();
		object.object->RemoveComponent("Body");
		ProcessObjectChanges();
		EXPECT_FALSE(world.Resolution().GetBodies().Contains(*body));
		EXPECT_EQ(world.physics->GetDetection().GetPendingCount(), 0u);
		EXPECT_EQ(world.Resolution().bodyPool.Count(), poolSize - 1);
	}

	TEST(BodyComponentPool, AFullBodyPoolLeavesTheObjectWithoutBody)
	{
		test::PhysicsComponentWorld world("<Physics><Max_Bodies>1</Max_Bodies></Physics>");
		world.AddBodyObject("First", Tuple3f());
		const Object second = world.AddBodyObject("Second", Tuple3f());
		EXPECT_EQ(PhysicsComponentWorld::BodyOf(second).GetBody(), nullptr);
		Message push("SetVelocity");
		push.Push(Tuple3f(1, 0, 0));
		second.object->HandleMessage(push);
		EXPECT_NE(PhysicsComponentWorld::Saved(PhysicsComponentWorld::BodyOf(second)).find("DEFAULT"), std::string::npos);
	}

	TEST_F(BodyComponent, ScriptClassIsRegisteredWithItsTwoVelocities)
	{
		const JSObjectBase* bodyClass = JavaScript::Instance().FindClass("Body");
		ASSERT_NE(bodyClass, nullptr);
		std::vector<std::string> properties;
		for (const JSFuncDesc* record = bodyClass->First()->next; record != nullptr; record = record->next)
			if (record->IsProperty() && record->setter != nullptr)
				properties.push_back(record->name);
		EXPECT_EQ(properties, (std::vector<std::string>{"Velocity", "AngularVelocity"}));
	}
}
