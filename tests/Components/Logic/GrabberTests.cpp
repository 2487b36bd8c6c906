#include "Components/Logic/Grabber.h"

#include "Components/Logic/Activator.h"
#include "Components/Logic/BreathWorld.h"
#include "Components/Logic/RayCaster.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
	using test::BreathWorld;

	// A static player with a RayCaster, an Activator and a Grabber of the reach.
	Object AddHand(BreathWorld& world, const std::string& reach)
	{
		const Object player = world.AddPlayer({{RayCaster::TypeId(), ""}, {Activator::TypeId(), "<float>" + reach + "</float>"},
			{Grabber::TypeId(), "<float>" + reach + "</float>"}});
		player.object->HandleMessage(Message("SetStatic"));
		return player;
	}

	// The crate, filed for the aim ray.
	Object AddTarget(BreathWorld& world, const Tuple3f& offset, const char* flags = "DEFAULT")
	{
		const Object crate = world.AddCrate(world.eye + offset, flags);
		world.FileColliders();
		return crate;
	}

	unsigned Held(const Object& player)
	{
		return player.object->GetComponent<Grabber>()->GetGrabbedObject();
	}

	TEST(RayCaster, ActivateTargetAndGrabInOneFrameCastOnce)
	{
		BreathWorld world;
		const Object player = AddHand(world, "5");
		const Object crate = AddTarget(world, Tuple3f(0, 0, -3));
		test::MessageLog& log = test::Listen(crate, {"ActivateObject"});
		player.object->HandleMessage(Message("ActivateTarget"));
		crate.object->HandleMessage(Message("SetPos").Push(Tuple3f(50, 50, 50)));
		player.object->HandleMessage(Message("Grab"));
		EXPECT_EQ(log.Count("ActivateObject"), 1u);
		EXPECT_EQ(Held(player), crate.id) << "the second caller used the first cast";
		player.object->HandleMessage(Message("Release"));
		world.Frame();
		player.object->HandleMessage(Message("Grab"));
		EXPECT_EQ(Held(player), 0u) << "a new frame casts anew";
	}

	TEST(Activator, ActsOnlyOnWhatLiesStrictlyWithinReach)
	{
		// (reach, acted on); the crate's near face is 2 ahead of the eye.
		const struct { const char* reach; bool acts; } cases[] = {{"2", false}, {"2.01", true}, {"1", false}};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Object player = AddHand(world, c.reach);
			const Object crate = AddTarget(world, Tuple3f(0, 0, -2.5f));
			test::MessageLog& log = test::Listen(crate, {"ActivateObject"});
			player.object->HandleMessage(Message("ActivateTarget"));
			player.object->HandleMessage(Message("Grab"));
			EXPECT_EQ(log.Count("ActivateObject"), c.acts ? 1u : 0u) << c.reach;
			EXPECT_EQ(Held(player), c.acts ? crate.id : 0u) << c.reach;
		}
	}

	TEST(Grabber, LetsGoAtTheNextUpdateWhenTheHeldObjectIsDestroyed)
	{
		BreathWorld world;
		const Object player = AddHand(world, "5");
		const Object crate = AddTarget(world, Tuple3f(0, 0, -3));
		player.object->HandleMessage(Message("Grab"));
		ASSERT_EQ(Held(player), crate.id);
		EXPECT_TRUE(player.object->GetComponent<Grabber>()->GetConstraint().active);
		crate.object->Destroy();
		world.Frame(2);
		EXPECT_EQ(Held(player), 0u);
		EXPECT_FALSE(player.object->GetComponent<Grabber>()->GetConstraint().active);
	}

	TEST(Grabber, DampsTheHeldBodysMotionByATwentiethEachUpdate)
	{
		BreathWorld world;
		const Object player = AddHand(world, "5");
		const Object crate = AddTarget(world, Tuple3f(0, 0, -3), "NOGRAVITY");
		player.object->HandleMessage(Message("Grab"));
		ASSERT_EQ(Held(player), crate.id);
		RigidBody& body = BreathWorld::RigidBodyOf(crate);
		body.velocity = Tuple3f(2, 4, 0);
		body.angularVelocity = Tuple3f(0, 0, 1);
		player.object->GetComponent<Grabber>()->Update();
		EXPECT_EQ(body.velocity, Tuple3f(2, 4, 0) * 0.95f);
		EXPECT_EQ(body.angularVelocity, Tuple3f(0, 0, 0.95f));
	}

	TEST(Grabber, HoldsTheGrabbedPointWithinTheSlackOfTheTargetAndDoesNotPullInsideIt)
	{
		// (crate flags, largest distance of the grabbed point from the target after 2 s)
		const struct { const char* flags; float most; } cases[] = {{"DEFAULT", 0.3f}, {"NOGRAVITY", 1e-4f}};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Object player = AddHand(world, "5");
			const Object crate = AddTarget(world, Tuple3f(0, 0, -3), c.flags);
			player.object->HandleMessage(Message("Grab"));
			ASSERT_EQ(Held(player), crate.id);
			const Tuple3f target = world.eye + Tuple3f(0, 0, -2.5f);
			// The near face's centre, where the aim hit, in the crate's frame.
			const Tuple3f grabPoint(0, 0, 0.5f);
			const Tuple3f grabbed = BreathWorld::RigidBodyOf(crate).transforms.world * grabPoint;
			world.Frame(120);
			const Tuple3f now = BreathWorld::RigidBodyOf(crate).transforms.world * grabPoint;
			EXPECT_LT(now.Distance(target), c.most) << c.flags;
			EXPECT_LT(now.Distance(grabbed), c.most + 0.1f) << c.flags;
		}
	}
}
