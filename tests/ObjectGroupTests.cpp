#include "LevelTestSupport.h"

#include "Components/Origin.h"
#include "Systems/GUI/GUI.h"
#include "Utilities/TestHelpers.h"
#include "Utilities/Quaternion.h"

#include <cmath>
#include <sstream>

namespace
{
	using namespace test;

	constexpr float kRadiansPerDegree = 0.017453292f;

	Tuple3f Degrees(float x, float y, float z)
	{
		return Tuple3f(x * kRadiansPerDegree, y * kRadiansPerDegree, z * kRadiansPerDegree);
	}

	// Two orientations are the same when they turn two axes alike (q and -q included).
	void ExpectSameOrientation(const Quaternion& actual, const Quaternion& expected)
	{
		ExpectNear(Matrix4::FromRotation(actual) * Tuple3f(1, 0, 0), Matrix4::FromRotation(expected) * Tuple3f(1, 0, 0), 1e-4);
		ExpectNear(Matrix4::FromRotation(actual) * Tuple3f(0, 1, 0), Matrix4::FromRotation(expected) * Tuple3f(0, 1, 0), 1e-4);
	}

	class ObjectGroup : public LevelTest
	{
	protected:
		using Group = ::ObjectGroup;

		void SetUp() override
		{
			LevelTest::SetUp();
			MakeEngineOverFixtures();
		}

		// A group loaded from the text of a group element's contents.
		Group* LoadGroup(const std::string& contents)
		{
			std::istringstream text("<ObjectGroup>" + contents + "</ObjectGroup>");
			Serializer reader;
			EXPECT_TRUE(reader.LoadFromStream(text, "Group" + std::to_string(loadedGroups++)));
			Group* group = Group::Create();
			group->Load(reader, 1);
			return group;
		}

		static std::string OriginElement(const std::string& position, const std::string& degrees, unsigned physicsId)
		{
			return "<Unknown><string>Origin</string><Tuple3f>" + position + "</Tuple3f><Tuple3f>" + degrees + "</Tuple3f><unsigned>" +
				std::to_string(physicsId) + "</unsigned></Unknown>";
		}

		static std::string ObjectElement(const std::string& name, const std::string& components)
		{
			return "<Object><string>" + name + "</string>" + components + "</Object>";
		}

		static std::string TransformElement(const std::string& position)
		{
			return "<Component><string>Transform</string><Tuple3f>" + position + "</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f></Component>";
		}

		static std::string PhysicsTagElement(unsigned physicsId)
		{
			return "<Component><string>PhysicsTag</string><unsigned>" + std::to_string(physicsId) + "</unsigned></Component>";
		}

		unsigned loadedGroups = 0;
	};

	TEST_F(ObjectGroup, FindGivesTheDefaultGroupForZeroAndNothingForUnknownIdsWhichAreNeverReused)
	{
		Group* first = Group::Create();
		const unsigned firstId = first->GetId();
		Group* second = Group::Create();
		const unsigned secondId = second->GetId();
		EXPECT_GT(firstId, 0u);
		EXPECT_GT(secondId, firstId);
		EXPECT_EQ(Group::Find(firstId), first);
		EXPECT_EQ(Group::Find(0), &Group::Default());
		EXPECT_EQ(Group::Find(secondId + 1), nullptr);

		second->Destroy();
		EXPECT_EQ(Group::Find(secondId), nullptr);
		Group::DestroyAll();
		EXPECT_EQ(Group::Find(firstId), nullptr);
		EXPECT_EQ(Group::Find(0), &Group::Default());
		EXPECT_GT(Group::Create()->GetId(), secondId);
	}

	TEST_F(ObjectGroup, NewObjectsJoinTheDefaultGroupAndSetGroupMovesThemBetweenGroups)
	{
		const Object crate = CreateObject("Crate");
		EXPECT_EQ(crate.object->GetGroupId(), 0u);
		EXPECT_EQ(crate.object->GetGroup(), &Group::Default());
		EXPECT_EQ(Group::Default().GetMembers().size(), 1u);

		Group* group = Group::Create();
		crate.object->SetGroup(group->GetId());
		EXPECT_EQ(crate.object->GetGroup(), group);
		EXPECT_TRUE(Group::Default().GetMembers().empty());
		ASSERT_EQ(group->GetMembers().size(), 1u);
		EXPECT_EQ(group->GetMembers()[0], crate.id);

		// An id that names no group changes nothing; joining twice lists the object once.
		crate.object->SetGroup(group->GetId() + 100);
		group->AddMember(crate);
		EXPECT_EQ(crate.object->GetGroup(), group);
		EXPECT_EQ(group->GetMembers().size(), 1u);
		group->AddMember(ObjectFromId(0));
		EXPECT_EQ(group->GetMembers().size(), 1u);
	}

	TEST_F(ObjectGroup, SendMessageReachesEveryMemberAndForgetsThoseThatWent)
	{
		Group* group = Group::Create();
		std::vector<Object> members;
		for (const char* name : {"First", "Second", "Third"})
		{
			const Object member = MakeObject<Probe>(name);
			member.object->RegisterHandler("Ping", &Probe::OnAny);
			member.object->SetGroup(group->GetId());
			members.push_back(member);
		}
		members[0].object->Destroy();
		ProcessObjectChanges();
		Events().clear();

		group->SendMessage(Message("Ping"));
		const std::string second = std::to_string(members[1].id);
		const std::string third = std::to_string(members[2].id);
		// The last member moves into the gone member's place and is visited next.
		EXPECT_EQ(Events(), (std::vector<std::string>{"Ping from " + third + " Probe " + third, "Ping from " + second + " Probe " + second}));
		EXPECT_EQ(group->GetMembers().size(), 2u);
	}

	TEST_F(ObjectGroup, StartAllStartsEveryMemberInJoiningOrder)
	{
		Group* group = Group::Create();
		std::vector<std::string> expected;
		for (const char* name : {"Near", "Far", "Farther"})
		{
			const Object member = CreateObject(name);
			member.object->AddComponent(Marker::TypeId());
			member.object->SetGroup(group->GetId());
			expected.push_back("Start Marker " + std::to_string(member.id));
		}
		CreateObject("Elsewhere").object->AddComponent(Marker::TypeId());
		Events().clear();
		group->StartAll();
		EXPECT_EQ(Events(), expected);
	}

	TEST_F(ObjectGroup, DestroyingAGroupDestroysItsMembersAndOriginAtTheEndOfTheFrame)
	{
		Group* group = LoadGroup(ObjectElement("Rock", "") + ObjectElement("Tree", "") + OriginElement("0 0 0", "0 0 0", 1));
		const unsigned groupId = group->GetId();
		const Object origin = group->GetOriginObject();
		ASSERT_FALSE(origin.IsDummy());
		const Object outsider = CreateObject("Outsider");

		group->Destroy();
		EXPECT_EQ(Group::Find(groupId), nullptr);
		EXPECT_FALSE(OnlyNamed("Rock").IsDummy());
		ProcessObjectChanges();
		EXPECT_TRUE(Named("Rock").empty());
		EXPECT_TRUE(Named("Tree").empty());
		EXPECT_TRUE(ObjectFromId(origin.id).IsDummy());
		EXPECT_FALSE(ObjectFromId(outsider.id).IsDummy());

		// The default group outlives its destruction, emptied.
		Group::Default().Destroy();
		ProcessObjectChanges();
		EXPECT_TRUE(ObjectFromId(outsider.id).IsDummy());
		EXPECT_EQ(Group::Find(0), &Group::Default());
		EXPECT_TRUE(Group::Default().GetMembers().empty());
	}

	TEST_F(ObjectGroup, LoadHangsMembersOnTheOriginAsWrittenAndALaterOriginReplacesAnEarlierOne)
	{
		Group* group = LoadGroup(OriginElement("100 0 0", "0 0 0", 1) + ObjectElement("Post", TransformElement("1 0 0")) +
			OriginElement("5 0 0", "0 90 0", 2));
		ProcessObjectChanges();
		EXPECT_EQ(Named("Origin").size(), 1u);
		const Object origin = group->GetOriginObject();
		ASSERT_EQ(origin.GetName(), "Origin");
		Transform* post = OnlyNamed("Post").object->GetComponent<Transform>();
		ASSERT_NE(post, nullptr);
		EXPECT_EQ(post->GetParent(), origin.object->GetComponent<Origin>());
		// (1, 0, 0) turned a quarter about y lands on (0, 0, -1), then moves with the origin.
		ExpectNear(post->GetWorldPosition(), Tuple3f(5, 0, -1), 1e-4);
	}

	TEST_F(ObjectGroup, MembersKeepTheirWorldPlacementWhenTheyJoinOrLeaveAGroupWithAnOrigin)
	{
		struct Case
		{
			const char* originDegrees;
			Tuple3f memberDegrees;
		};
		// The rotations share an axis only in the first case.
		const Case cases[] = {
			{"0 90 0", {0, 30, 0}},
			{"0 90 0", {30, 0, 0}},
			{"20 -45 70", {-60, 10, 35}},
		};
		for (const Case& test : cases)
		{
			SCOPED_TRACE(test.originDegrees);
			Group* group = LoadGroup(OriginElement("3 -2 7", test.originDegrees, 1));
			const Object member = CreateObject("Member");
			member.object->AddComponent(Transform::TypeId());
			Transform& transform = *member.object->GetComponent<Transform>();
			const Tuple3f position(1, 2, 3);
			const Quaternion orientation = QuaternionFromRotationVector(Degrees(test.memberDegrees.x, test.memberDegrees.y, test.memberDegrees.z));
			transform.SetWorldPosition(position);
			transform.SetWorldOrientation(orientation);

			member.object->SetGroup(group->GetId());
			EXPECT_EQ(transform.GetParent(), group->GetOriginObject().object->GetComponent<Origin>());
			ExpectNear(transform.GetWorldPosition(), position, 1e-4);
			ExpectSameOrientation(transform.GetWorldOrientation(), orientation);

			member.object->SetGroup(0);
			EXPECT_EQ(transform.GetParent(), nullptr);
			ExpectNear(transform.GetWorldPosition(), position, 1e-4);
			ExpectSameOrientation(transform.GetWorldOrientation(), orientation);
		}
	}

	TEST_F(ObjectGroup, PhysicsIdsKeepTheirLowHalfUnderTheLowHalfOfTheOriginsId)
	{
		struct Case
		{
			unsigned physicsId;
			unsigned originPhysicsId;
			unsigned expected;
		};
		const Case cases[] = {
			{0x00010005u, 3u, 0x00030005u},
			{0xABCD1234u, 0xFFFF0002u, 0x00021234u},
			{7u, 0u, 7u},
			{0xFFFFFFFFu, 0x12345678u, 0x5678FFFFu},
		};
		for (const Case& test : cases)
			EXPECT_EQ(Group::PrefixedPhysicsId(test.physicsId, test.originPhysicsId), test.expected) << std::hex << test.physicsId;

		// Two instances of one group content with different origins get distinct ids.
		const std::string contents = ObjectElement("Beam", PhysicsTagElement(0x00090002u));
		LoadGroup(contents + OriginElement("0 0 0", "0 0 0", 5));
		LoadGroup(contents + OriginElement("0 0 0", "0 0 0", 6));
		LoadGroup(ObjectElement("Beam", PhysicsTagElement(0x00090002u)));
		const std::vector<Object> beams = Named("Beam");
		ASSERT_EQ(beams.size(), 3u);
		EXPECT_EQ(beams[0].object->GetComponent<PhysicsTag>()->physicsId, 0x00050002u);
		EXPECT_EQ(beams[1].object->GetComponent<PhysicsTag>()->physicsId, 0x00060002u);
		// Without an origin the id stays as written.
		EXPECT_EQ(beams[2].object->GetComponent<PhysicsTag>()->physicsId, 0x00090002u);
	}

	TEST_F(ObjectGroup, SaveWritesTheGroupsOwnMembersThenOnlyTheOriginOfItsOrigin)
	{
		engine->AddSystem(new GUI);
		engine->GetSystem<GUI>()->AddEditorObjectName("Gizmo");
		Group* group = LoadGroup(ObjectElement("Rock", "<Component><string>Marker</string><int>4</int></Component>") +
			OriginElement("1 2 3", "0 0 0", 9));
		for (const char* name : {"Gizmo", "Origin", "Inherited"})
			CreateObject(name).object->SetGroup(group->GetId());
		group->SetRecord(OnlyNamed("Inherited").id, Group::MemberRecord(true, ""));
		group->GetOriginObject().object->AddComponent(Marker::TypeId());

		Serializer writer;
		writer.EnterNode("", "ObjectGroup");
		EXPECT_TRUE(group->Save(writer));
		writer.LeaveNode();
		std::ostringstream text;
		writer.SaveToStream(text);
		EXPECT_EQ(text.str(),
			"<Unknown>\n"
			"\t<ObjectGroup>\n"
			"\t\t<Object>\n"
			"\t\t\t<string name=\"Archetype\">Rock</string>\n"
			"\t\t\t<Component>\n"
			"\t\t\t\t<string name=\"ComponentName\">Marker</string>\n"
			"\t\t\t\t<int name=\"value\">4</int>\n"
			"\t\t\t</Component>\n"
			"\t\t</Object>\n"
			"\t\t<Unknown>\n"
			"\t\t\t<string name=\"ObjectArchetype\">Origin</string>\n"
			"\t\t\t<Tuple3f name=\"pos\">1 2 3</Tuple3f>\n"
			"\t\t\t<Tuple3f name=\"rot\">0 0 0</Tuple3f>\n"
			"\t\t\t<unsigned name=\"phyId\">9</unsigned>\n"
			"\t\t</Unknown>\n"
			"\t</ObjectGroup>\n"
			"</Unknown>\n");
	}
}
