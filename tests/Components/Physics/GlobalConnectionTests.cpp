#include "Components/Physics/GlobalConnection.h"

#include "Components/Physics/PhysicsComponentWorld.h"
#include "Systems/Physics/Connection.h"

#include <gtest/gtest.h>

namespace
{
	using test::PhysicsComponentWorld;

	// A rope of length 2 between the bodies of physics ids 1 and 2.
	const std::string kRopeValues = "<unsigned>1</unsigned><unsigned>2</unsigned><string>Rope</string>"
		"<float>2</float><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>";

	class GlobalConnection_ : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			first = world.AddBodyObject("First", Tuple3f(0, 0, 0), false);
			second = world.AddBodyObject("Second", Tuple3f(0, -1, 0), false);
			PhysicsComponentWorld::GivePhysicsId(first, 1);
			PhysicsComponentWorld::GivePhysicsId(second, 2);
		}

		// The connection's own object: a body that starts with the object, as in a level.
		Object AddConnectionObject(const std::string& values = kRopeValues)
		{
			const Object holder = world.AddBodyObject("Holder", Tuple3f(5, 0, 0), false);
			PhysicsComponentWorld::AddLoaded(holder, GlobalConnection::TypeId(), values);
			holder.object->Start();
			return holder;
		}

		static GlobalConnection& ConnectionOf(const Object& object)
		{
			return *object.object->GetComponent<GlobalConnection>();
		}

		bool Listed(const GlobalConnection& component) const
		{
			return world.physics->GetTransgression().GetConnections().Contains(*component.GetConnection());
		}

		unsigned ActiveRows() const { return world.physics->GetResolution().activeConstraints.Count(); }

		PhysicsComponentWorld world;
		Object first;
		Object second;
	};

	class GlobalConnectionTest : public GlobalConnection_
	{
	};

	TEST_F(GlobalConnectionTest, FirstRemoteInitJoinsTheTwoBodiesOnce)
	{
		const Object holder = AddConnectionObject();
		::GlobalConnection& component = ConnectionOf(holder);
		ASSERT_NE(component.GetConnection(), nullptr);
		EXPECT_EQ(component.GetConnection()->bodyA, &PhysicsComponentWorld::RigidBodyOf(first));
		EXPECT_EQ(component.GetConnection()->bodyB, &PhysicsComponentWorld::RigidBodyOf(second));
		EXPECT_EQ(component.objectId1, first.id);
		EXPECT_EQ(component.objectId2, second.id);
		// The joined bodies were started by the connection.
		EXPECT_TRUE(PhysicsComponentWorld::BodyOf(first).IsStarted());
		EXPECT_TRUE(Listed(component));
		EXPECT_EQ(ActiveRows(), 1u);

		holder.object->HandleMessage(Message("RemoteInit"));
		EXPECT_EQ(world.physics->GetTransgression().GetConnections().count, 1u);
		EXPECT_EQ(ActiveRows(), 1u);
	}

	TEST_F(GlobalConnectionTest, TheRopeHoldsTheHangingBody)
	{
		const Object holder = AddConnectionObject();
		RigidBody& anchor = PhysicsComponentWorld::RigidBodyOf(first);
		anchor.flags |= kBodyNoGravity;
		anchor.inverseMass = 0.0f;
		anchor.flags |= kBodyLogic;
		for (int step = 0; step < 120; ++step)
		{
			ConnectionOf(holder).GetConnection()->Update(world.Resolution());
			world.Step();
		}
		const float distance = (PhysicsComponentWorld::RigidBodyOf(second).GetPosition() - anchor.GetPosition()).Length();
		EXPECT_LT(distance, 2.1f);
	}

	TEST_F(GlobalConnectionTest, ADestroyedBodyLeavesTheRopeAndTheNextBodyIsNotPulled)
	{
		const Object holder = AddConnectionObject();
		ASSERT_TRUE(Listed(ConnectionOf(holder)));
		second.object->Destroy();
		ProcessObjectChanges();
		EXPECT_FALSE(Listed(ConnectionOf(holder)));
		EXPECT_EQ(ConnectionOf(holder).GetConnection()->bodyB, nullptr);
		EXPECT_EQ(ActiveRows(), 0u);

		const Object newcomer = world.AddBodyObject("Newcomer", Tuple3f(0, -10, 0), false);
		newcomer.object->Start();
		for (int step = 0; step < 30; ++step)
		{
			world.physics->GetTransgression().Update();
			world.Step();
		}
		EXPECT_LT(PhysicsComponentWorld::RigidBodyOf(newcomer).GetPosition().y, -10.5f) << "falls freely";
		EXPECT_EQ(ActiveRows(), 0u);
	}

	TEST_F(GlobalConnectionTest, DisconnectAndConnectAlternateAndRepeatsAreHarmless)
	{
		const Object holder = AddConnectionObject();
		::GlobalConnection& component = ConnectionOf(holder);
		const struct
		{
			const char* message;
			bool listed;
			unsigned activeRows;
		} steps[] = {
			{"Disconnect", false, 0u},
			{"Disconnect", false, 0u},
			{"Connect", true, 1u},
			{"Connect", true, 1u},
		};
		for (const auto& step : steps)
		{
			SCOPED_TRACE(step.message);
			holder.object->HandleMessage(Message(step.message));
			EXPECT_EQ(Listed(component), step.listed);
			EXPECT_EQ(world.physics->GetTransgression().GetConnections().count, step.listed ? 1u : 0u);
			EXPECT_EQ(ActiveRows(), step.activeRows);
		}
	}

	TEST_F(GlobalConnectionTest, ConnectWithAnIdRejoinsToAnotherBody)
	{
		const Object holder = AddConnectionObject();
		const Object third = world.AddBodyObject("Third", Tuple3f(0, -2, 0));
		PhysicsComponentWorld::GivePhysicsId(third, 3);
		holder.object->HandleMessage(Message("Disconnect"));
		Message connect("Connect");
		connect.PushU32(3);
		holder.object->HandleMessage(connect);
		EXPECT_EQ(ConnectionOf(holder).GetConnection()->bodyB, &PhysicsComponentWorld::RigidBodyOf(third));
		EXPECT_EQ(ConnectionOf(holder).objectId2, third.id);
		EXPECT_TRUE(Listed(ConnectionOf(holder)));
	}

	TEST_F(GlobalConnectionTest, UnknownIdsOrKindsConnectNothing)
	{
		const struct
		{
			const char* name;
			std::string values;
			bool hasConnection;
		} cases[] = {
			{"unknown physics id", "<unsigned>1</unsigned><unsigned>9</unsigned><string>Rope</string><float>2</float>"
									"<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>", true},
			{"unknown kind", "<unsigned>1</unsigned><unsigned>2</unsigned><string>Chain</string>", false},
		};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.name);
			const Object holder = AddConnectionObject(c.values);
			EXPECT_EQ(ConnectionOf(holder).GetConnection() != nullptr, c.hasConnection);
			EXPECT_EQ(world.physics->GetTransgression().GetConnections().count, 0u);
			EXPECT_EQ(ActiveRows(), 0u);
			holder.object->HandleMessage(Message("Connect"));
			EXPECT_EQ(world.physics->GetTransgression().GetConnections().count, 0u);
		}
	}

	TEST_F(GlobalConnectionTest, SaveWritesWhatLoadReads)
	{
		const Object holder = AddConnectionObject();
		const std::string saved = PhysicsComponentWorld::Saved(ConnectionOf(holder));
		Serializer reread;
		std::istringstream text(saved);
		ASSERT_TRUE(reread.LoadFromStream(text, "GlobalConnectionSavedText"));
		const Object copy = CreateObject("Copy");
		copy.object->AddComponent(::GlobalConnection::TypeId(), reread);
		::GlobalConnection& loaded = ConnectionOf(copy);
		EXPECT_EQ(loaded.physicsId1, 1u);
		EXPECT_EQ(loaded.physicsId2, 2u);
		EXPECT_EQ(loaded.GetKind(), "Rope");
		ASSERT_NE(loaded.GetConnection(), nullptr);
		EXPECT_EQ(PhysicsComponentWorld::Saved(loaded), saved);
	}

	TEST_F(GlobalConnectionTest, ACloneOwnsACopyOfTheConnection)
	{
		const Object holder = AddConnectionObject();
		::GlobalConnection& original = ConnectionOf(holder);
		std::unique_ptr<Component> clone(original.Clone());
		auto& copy = static_cast<::GlobalConnection&>(*clone);
		ASSERT_NE(copy.GetConnection(), nullptr);
		EXPECT_NE(copy.GetConnection(), original.GetConnection());
		EXPECT_EQ(PhysicsComponentWorld::Saved(copy), PhysicsComponentWorld::Saved(original));
		EXPECT_EQ(copy.GetConnection()->bodyA, nullptr);
	}

	TEST_F(GlobalConnectionTest, RemovalUnlistsAndErasesTheRows)
	{
		const Object holder = AddConnectionObject();
		holder.object->RemoveComponent("GlobalConnection");
		ProcessObjectChanges();
		EXPECT_EQ(world.physics->GetTransgression().GetConnections().count, 0u);
		EXPECT_EQ(ActiveRows(), 0u);
		EXPECT_EQ(world.physics->GetResolution().inactiveConstraints.Count(), 0u);
	}
}

#include "Components/Graphics/ConnectionReader.h"

namespace
{
	TEST_F(GlobalConnectionTest, AConnectionReaderHangsItsObjectAlongTheRope)
	{
		ConnectionReader::Register();
		// The rope's own object carries the reader: it becomes the visible rope.
		const Object rope = world.AddBodyObject("Rope", Tuple3f(5, 0, 0), false);
		PhysicsComponentWorld::AddLoaded(rope, ::GlobalConnection::TypeId(), kRopeValues);
		PhysicsComponentWorld::AddLoaded(rope, ConnectionReader::TypeId(), "<float>0.2</float>");
		rope.object->Start();
		const RigidBody& ropeBody = PhysicsComponentWorld::RigidBodyOf(rope);
		EXPECT_TRUE(ropeBody.HasFlag(kBodyGhost));
		EXPECT_TRUE(ropeBody.HasFlag(kBodyNoGravity));

		world.Step(5);
		const Tuple3f top = PhysicsComponentWorld::RigidBodyOf(first).GetPosition();
		const Tuple3f bottom = PhysicsComponentWorld::RigidBodyOf(second).GetPosition();
		const Transform& placed = *rope.object->GetComponent<Transform>();
		EXPECT_NEAR(placed.GetWorldPosition().y, (top.y + bottom.y) * 0.5f, 1e-4) << "midway between the anchors";
		EXPECT_NEAR(placed.GetWorldPosition().x, 0.0f, 1e-4);
		EXPECT_NEAR(placed.GetScale().y, (top - bottom).Length(), 1e-4) << "as long as the anchors are apart";
		EXPECT_LT(placed.GetWorldPosition().y, -0.5f) << "the bodies fell, and the reader followed them";
		EXPECT_NEAR(ropeBody.GetPosition().y, placed.GetWorldPosition().y, 1e-5) << "the rope's body follows its object";
	}
}
