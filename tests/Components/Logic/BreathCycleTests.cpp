// One whole breath in the headless game: the Lungs, the Suck and the Blow of the player over real
// physics, driven by the messages the mouse bindings send.
#include "Components/Logic/Blow.h"
#include "Components/Logic/BreathWorld.h"
#include "Components/Logic/Lungs.h"
#include "Components/Logic/Suck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace
{
	using test::BreathWorld;

	// Rest 5 of 10; inhaling fills the lungs within a few frames; no extra burst strength.
	constexpr const char* kLungs = "<float>1</float><float>100</float><float>2</float><float>5</float><float>10</float>"
		"<float>1</float><float>1</float><float>3</float><unsigned>10</unsigned><unsigned>20</unsigned>"
		"<Tuple3f>1 1 1</Tuple3f><Tuple3f>2 2 2</Tuple3f>";
	constexpr const char* kSuck = "<float>2</float><float>10</float><float>5000</float><float>6</float><float>10</float>"
		"<Tuple3f>4 10 4</Tuple3f><float>2</float><Scaler><Tuple3f>0.2 0.2 0.2</Tuple3f><float>0.5</float></Scaler>";

	struct Trace
	{
		std::vector<Tuple3f> crate;
		std::vector<std::string> shot;
		bool heldAndParked = false;
		std::size_t gusts = 0;
		float inverseMass = 0.0f;
		std::size_t gustObjects = 0;

		bool operator==(const Trace&) const = default;
	};

	Object AddBlock(BreathWorld& world, const Tuple3f& centre, const std::string& size)
	{
		const Object block = world.AddBodyObject("Block", centre, true, BreathWorld::BodyValues("DEFAULT", "CompositePrimitive", "0 0 0",
			"<Collider><string>cube</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>" + size + "</Tuple3f></Collider>"));
		block.object->HandleMessage(Message("SetStatic"));
		return block;
	}

	Trace Breathe()
	{
		// The eye at the crate's height; the crate rests on a ledge that ends 8 ahead, above ground 5 lower.
		BreathWorld world(Tuple3f(0, 0.5f, 0));
		AddBlock(world, Tuple3f(0, -0.5f, -3.5f), "4 1 9");
		AddBlock(world, Tuple3f(0, -5.5f, -20), "40 1 40");
		const std::string gustFile = world.folder.Path() + "/gust.xml";
		std::ofstream(gustFile) << "<Object><string name=\"Archetype\">Gust</string></Object>";
		const Object player = world.AddPlayer({{Lungs::TypeId(), kLungs}, {Suck::TypeId(), kSuck}, {Blow::TypeId(), BreathWorld::BlowValues(1, gustFile)}});
		player.object->HandleMessage(Message("SetStatic"));
		test::MessageLog& playerLog = test::Listen(player, {"StartGust"});
		const Object crate = world.AddCrate(Tuple3f(0, 0.5f, -6));
		test::MessageLog& crateLog = test::Listen(crate, {"SetPos", "SetVelocity"});
		// As a level load does: the static blocks join the static tree.
		world.physics->GetDetection().OnLevelLoaded();
		const Blow& blow = *player.object->GetComponent<Blow>();
		Trace trace;
		trace.inverseMass = BreathWorld::RigidBodyOf(crate).inverseMass;
		const auto send = [&](const char* name, auto value) { player.object->HandleMessage(Message(name).Push(value)); };
		const auto frames = [&](unsigned count) {
			for (unsigned frame = 0; frame < count; ++frame)
			{
				world.Frame();
				trace.crate.push_back(BreathWorld::RigidBodyOf(crate).GetPosition());
			}
		};

		send("SetLungState", 1u);
		send("SetSucking", true);
		for (unsigned frame = 0; frame < 3 * 60 && !trace.heldAndParked; ++frame)
		{
			frames(1);
			trace.heldAndParked = blow.heldObjs == std::vector<unsigned>{crate.id} && trace.crate.back().y <= Blow::kParkHeight;
		}
		send("SetSucking", false);
		send("SetLungState", 0u);
		send("SetLungState", 2u);
		crateLog.entries.clear();
		frames(1);
		trace.shot = crateLog.entries;
		frames(120);
		trace.gusts = playerLog.Count("StartGust");
		send("SetLungState", 0u);
		frames(250);
		send("SetLungState", 2u);
		frames(1);
		trace.gustObjects = ObjectIdsByName("Gust").size();
		return trace;
	}

	TEST(BlowSuckLungsCycle, BreathingInHoldsTheCrateAndBreathingOutShootsItThenAGust)
	{
		const Trace trace = Breathe();
		EXPECT_TRUE(trace.heldAndParked);
		EXPECT_EQ(trace.gusts, 1u);
		const float speed = 20.0f * std::clamp(0.4444f + 0.0001479f * trace.inverseMass, 0.5f, 1.0f);
		EXPECT_EQ(trace.shot, (std::vector<std::string>{"SetPos " + tw::TextOf(Tuple3f(0, 0.5f, -3)),
			"SetVelocity " + tw::TextOf(Tuple3f(0, 0, -speed))})) << "three ahead of the eye at the full breath's speed";
		EXPECT_LT(trace.crate.back().z, -10.0f) << "landed well ahead";
		EXPECT_LT(trace.crate.back().y, -4.0f) << "on the ground below the ledge";
		EXPECT_EQ(trace.gustObjects, 1u);
		EXPECT_EQ(Breathe(), trace) << "a second run is the same";
	}
}
