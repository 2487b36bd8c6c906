#include "Components/Logic/MessageSpawn.h"

#include "Archetype.h"
#include "Components/Logic/StoredMessageWorld.h"
#include "Components/Transform.h"

#include <algorithm>

namespace
{
	using namespace test;

	std::string Spawn(const std::string& file, const std::string& offset = "")
	{
		return Element(Str(file) + (offset.empty() ? "" : "<Tuple3f>" + offset + "</Tuple3f>"));
	}

	// The world positions of the objects named "Spark", oldest first.
	std::vector<Tuple3f> Sparks()
	{
		std::vector<Tuple3f> positions;
		for (const unsigned id : ObjectIdsByName("Spark"))
			positions.push_back(ObjectFromId(id).object->GetComponent<Transform>()->GetWorldPosition());
		return positions;
	}

	TEST(MessageSpawn, EveryArrivalPlacesOneSetAtTheOwnerPlusTheOffsets)
	{
		StoredMessageWorld world;
		const std::string spark = world.WriteLevel("Spark.xml", "<Object><string>Spark</string><Component>"
			"<string>Transform</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f></Component></Object>");
		const Object owner = world.Add<MessageSpawn>("Nest", Element(Str("Burst") + Spawn(spark) + Spawn(spark, "0 2 0")) +
			Element(Str("Quiet")));
		owner.object->AddComponent(Transform::TypeId());
		owner.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(1, 0, 0));
		owner.SendMessage(Message("Burst"));
		owner.SendMessage(Message("Quiet"));
		owner.SendMessage(Message("Burst"));
		EXPECT_EQ(Sparks(), (std::vector<Tuple3f>{{1, 0, 0}, {1, 2, 0}, {1, 0, 0}, {1, 2, 0}}));
		const Object reloaded = world.Reloaded<MessageSpawn>(owner);
		EXPECT_EQ(world.Saved(world.Of<MessageSpawn>(reloaded)), world.Saved(world.Of<MessageSpawn>(owner)));
		EXPECT_NE(world.Saved(world.Of<MessageSpawn>(owner)).find(">Quiet<"), std::string::npos);
	}

	struct __EchoName
	{
		static constexpr const char* name = "Echo";
	};

	// Sends "Burst" to the object named "Nest" when its object starts.
	class Echo : public QuietComponent<Echo, __EchoName>
	{
	public:
		bool Start() override
		{
			SendMessageToNamed("Nest", Message("Burst"));
			return true;
		}
	};

	TEST(MessageSpawn, ANameArrivingWhileItsSpawnsStartIsRefusedAndTheOuterArrivalCompletes)
	{
		StoredMessageWorld world;
		Echo::Register();
		// Each echo, as it starts, sends "Burst" back into the spawner that made it.
		const std::string echo = world.WriteLevel("Echo.xml", "<Object><string>Echo</string><Component>"
			"<string>Echo</string></Component></Object>");
		const Object owner = world.Add<MessageSpawn>("Nest", Element(Str("Burst") + Spawn(echo) + Spawn(echo)));
		const std::string printed = Printed([&] { owner.SendMessage(Message("Burst")); });
		EXPECT_EQ(ObjectIdsByName("Echo").size(), 2u);
		EXPECT_NE(printed.find("object \"Nest\" (id " + std::to_string(owner.id) + "), MessageSpawn: \"Burst\" arrived again"), std::string::npos) << printed;
		Printed([&] { owner.SendMessage(Message("Burst")); });
		EXPECT_EQ(ObjectIdsByName("Echo").size(), 4u) << "the refusal lasts only while the spawns start";
	}

	// An archetype that spawns itself when created stops at a bounded depth with one report
	// naming it, instead of overflowing the stack.
	TEST(MessageSpawn, AnArchetypeThatSpawnsItselfOnCreatedStopsAtABoundedDepth)
	{
		StoredMessageWorld world;
		const std::string loop = world.WriteLevel("Loop.xml", "");
		world.WriteLevel("Loop.xml", "<Object><string>Loop</string><Component><string>MessageSpawn</string>" +
			Element(Str("Created") + Spawn(loop)) + "</Component></Object>");
		const std::string printed = Printed([&] { CreateObjectFromArchetype(loop).object->Start(); });
		EXPECT_GT(ObjectIdsByName("Loop").size(), 1u);
		EXPECT_LE(ObjectIdsByName("Loop").size(), 64u);
		EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
		EXPECT_NE(printed.find("\"Loop\""), std::string::npos) << printed;
	}
}
