#include "EngineTestSupport.h"

#include "Components/Origin.h"
#include "Systems/GUI/GUI.h"
#include "Utilities/Quaternion.h"
#include "Utilities/TestHelpers.h"

namespace
{
	using namespace test;
	using Group = ::ObjectGroup;

	// Two orientations are the same when they turn two axes alike (q and -q included).
	void ExpectSameOrientation(const Quaternion& actual, const Quaternion& expected)
	{
		for (const Tuple3f& axis : {Tuple3f(1, 0, 0), Tuple3f(0, 1, 0)})
			ExpectNear(Matrix4::FromRotation(actual) * axis, Matrix4::FromRotation(expected) * axis, 1e-4);
	}

	std::string OriginElement(const std::string& position, const std::string& degrees, unsigned physicsId)
	{
		return "<Unknown><string>Origin</string><Tuple3f>" + position + "</Tuple3f><Tuple3f>" + degrees + "</Tuple3f><unsigned>" +
			std::to_string(physicsId) + "</unsigned></Unknown>";
	}

	std::string ObjectElement(const std::string& name, const std::string& components = "")
	{
		return "<Object><string>" + name + "</string>" + components + "</Object>";
	}

	class ObjectGroupTest : public EngineTest
	{
	protected:
		void SetUp() override
		{
			EngineTest::SetUp();
			MakeEngine(kFixtures);
		}

		// A group loaded from the text of a group element's contents.
		Group* LoadGroup(const std::string& contents)
		{
			std::istringstream text("<ObjectGroup>" + contents + "</ObjectGroup>");
			Serializer reader;
			// Parsed trees are cached by name for the whole run: every text needs a name of its own.
			EXPECT_TRUE(reader.LoadFromStream(text, "Group" + std::to_string(loadedGroups++)));
			Group* group = Group::Create();
			group->Load(reader, 1);
			return group;
		}

		// The text a group writes as the contents of its level's group element.
		static std::string SavedText(Group& group)
		{
			Serializer writer;
			writer.EnterNode("", "ObjectGroup");
			EXPECT_TRUE(group.Save(writer));
			writer.LeaveNode();
			std::ostringstream text;
			writer.SaveToStream(text);
			return text.str();
		}
		unsigned loadedGroups = 0;
	};

	TEST_F(ObjectGroupTest, FindGivesTheDefaultGroupForZeroAndNothingForUnknownIdsWhichAreNeverReused)
	{
		Group* first = Group::Create();
		Group* second = Group::Create();
		const unsigned firstId = first->GetId();
		const unsigned secondId = second->GetId();
		EXPECT_EQ(Group::Find(firstId), first);
		EXPECT_EQ(Group::Find(0), &Group::Default());
		EXPECT_EQ(Group::Find(secondId + 1), nullptr);

		second->Destroy();
		EXPECT_EQ(Group::Find(secondId), nullptr);
		Group::DestroyAll();
		EXPECT_EQ(Group::Find(firstId), nullptr);
		EXPECT_GT(Group::Create()->GetId(), secondId);
	}

	TEST_F(ObjectGroupTest, NewObjectsJoinTheDefaultGroupAndSetGroupMovesThemBetweenGroups)
	{
		const Object crate = CreateObject("Crate");
		EXPECT_EQ(crate.object->GetGroup(), &Group::Default());

		Group* group = Group::Create();
		crate.object->SetGroup(group->GetId());
		EXPECT_EQ(crate.object->GetGroup(), group);
		EXPECT_TRUE(Group::Default().GetMembers().empty());
		ASSERT_EQ(group->GetMembers().size(), 1u);
		EXPECT_EQ(group->GetMembers()[0], crate.id);

		// An id that names no group changes nothing; joining twice, or the dummy joining, lists nothing new.
		crate.object->SetGroup(group->GetId() + 100);
		group->AddMember(crate);
		group->AddMember(ObjectFromId(0));
		EXPECT_EQ(crate.object->GetGroup(), group);
		EXPECT_EQ(group->GetMembers().size(), 1u);
	}

	TEST_F(ObjectGroupTest, MessagesAndStartsReachEveryMemberAndForgetThoseThatWent)
	{
		Group* group = Group::Create();
		std::vector<Object> members;
		for (const char* name : {"First", "Second", "Third"})
		{
			members.push_back(MakeObject<Probe, Marker>(name));
			members.back().object->RegisterHandler("Ping", &Probe::OnAny);
			members.back().object->SetGroup(group->GetId());
		}
		MakeObject<Marker>("Elsewhere");
		Events().clear();
		group->StartAll();
		std::erase_if(Events(), [](const std::string& event) { return event.rfind("Start Marker", 0) != 0; });
		EXPECT_EQ(Events(), (Names{"Start Marker 1", "Start Marker 2", "Start Marker 3"}));

		members[0].object->Destroy();
		ProcessObjectChanges();
		Events().clear();
		group->SendMessage(Message("Ping"));
		// The last member moves into the gone member's place and is visited next.
		EXPECT_EQ(Events(), (Names{"Ping from 3 Probe 3", "Ping from 2 Probe 2"}));
		EXPECT_EQ(group->GetMembers().size(), 2u);
	}

	TEST_F(ObjectGroupTest, AMemberThatDestroysItsGroupDuringTheGroupsMessageEndsNoWalk)
	{
		// The first, a middle and the last member to be visited destroys the group (twice, for the first).
		for (std::size_t destroyer : {0u, 1u, 2u})
		{
			Group* group = Group::Create();
			const unsigned groupId = group->GetId();
			std::vector<Object> members;
			for (const char* name : {"First", "Second", "Third"})
			{
				members.push_back(MakeObject<Probe>(name));
				members.back().object->RegisterHandler("Ping", &Probe::OnAny);
				members.back().object->SetGroup(groupId);
			}
			members[destroyer].object->GetComponent<Probe>()->action = [&](Message::Reader&) {
				Group::Find(groupId)->Destroy();
				if (destroyer == 0)
					group->Destroy();
			};
			Events().clear();
			group->SendMessage(Message("Ping"));
			EXPECT_EQ(std::count_if(Events().begin(), Events().end(), [](const std::string& event) { return event.rfind("Ping", 0) == 0; }), 3)
				<< "members are destroyed at the end of the frame: all three still hear it";
			EXPECT_EQ(Group::Find(groupId), nullptr);
			ProcessObjectChanges();
			for (const Object& member : members)
				EXPECT_TRUE(ObjectFromId(member.id).IsDummy());
		}
	}

	TEST_F(ObjectGroupTest, DestroyingAGroupDestroysItsMembersAndOriginAtTheEndOfTheFrame)
	{
		Group* group = LoadGroup(ObjectElement("Rock") + ObjectElement("Tree") + OriginElement("0 0 0", "0 0 0", 1));
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

	TEST_F(ObjectGroupTest, LoadHangsMembersOnTheOriginAsWrittenAndALaterOriginReplacesAnEarlierOne)
	{
		const std::string post = "<Component><string>Transform</string><Tuple3f>1 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f></Component>";
		Group* group = LoadGroup(OriginElement("100 0 0", "0 0 0", 1) + ObjectElement("Post", post) + OriginElement("5 0 0", "0 90 0", 2));
		ProcessObjectChanges();
		EXPECT_EQ(Named("Origin").size(), 1u);
		Transform* transform = OnlyNamed("Post").object->GetComponent<Transform>();
		ASSERT_NE(transform, nullptr);
		EXPECT_EQ(transform->GetParent(), group->GetOriginObject().object->GetComponent<Origin>());
		// (1, 0, 0) turned a quarter about y lands on (0, 0, -1), then moves with the origin.
		ExpectNear(transform->GetWorldPosition(), Tuple3f(5, 0, -1), 1e-4);
	}

	TEST_F(ObjectGroupTest, MembersKeepTheirWorldPlacementWhenTheyJoinOrLeaveAGroupWithAnOrigin)
	{
		constexpr float kRadiansPerDegree = 0.017453292f;
		// The rotations share an axis only in the first case.
		const std::pair<const char*, Tuple3f> cases[] = {{"0 90 0", {0, 30, 0}}, {"0 90 0", {30, 0, 0}}, {"20 -45 70", {-60, 10, 35}}};
		for (const auto& [originDegrees, memberDegrees] : cases)
		{
			SCOPED_TRACE(originDegrees);
			Group* group = LoadGroup(OriginElement("3 -2 7", originDegrees, 1));
			Transform& transform = *MakeObject<Transform>("Member").object->GetComponent<Transform>();
			const Tuple3f position(1, 2, 3);
			const Quaternion orientation = QuaternionFromRotationVector(memberDegrees * kRadiansPerDegree);
			transform.SetWorldPosition(position);
			transform.SetWorldOrientation(orientation);

			transform.owner->SetGroup(group->GetId());
			EXPECT_EQ(transform.GetParent(), group->GetOriginObject().object->GetComponent<Origin>());
			ExpectNear(transform.GetWorldPosition(), position, 1e-4);
			ExpectSameOrientation(transform.GetWorldOrientation(), orientation);

			transform.owner->SetGroup(0);
			EXPECT_EQ(transform.GetParent(), nullptr);
			ExpectNear(transform.GetWorldPosition(), position, 1e-4);
			ExpectSameOrientation(transform.GetWorldOrientation(), orientation);
		}
	}

	TEST_F(ObjectGroupTest, PhysicsIdsKeepTheirLowHalfUnderTheLowHalfOfTheOriginsId)
	{
		const unsigned cases[][3] = {{0x00010005u, 3u, 0x00030005u}, {0xABCD1234u, 0xFFFF0002u, 0x00021234u}, {7u, 0u, 7u},
			{0xFFFFFFFFu, 0x12345678u, 0x5678FFFFu}};
		for (const auto& [physicsId, originPhysicsId, expected] : cases)
			EXPECT_EQ(Group::PrefixedPhysicsId(physicsId, originPhysicsId), expected) << std::hex << physicsId;

		// Two instances of one group content with different origins get distinct ids; without an
		// origin the id stays as written.
		const std::string beam = ObjectElement("Beam", "<Component><string>PhysicsTag</string><unsigned>589826</unsigned></Component>");
		LoadGroup(beam + OriginElement("0 0 0", "0 0 0", 5));
		LoadGroup(beam + OriginElement("0 0 0", "0 0 0", 6));
		LoadGroup(beam);
		std::vector<unsigned> ids;
		for (const Object& loaded : Named("Beam"))
			ids.push_back(loaded.object->GetComponent<PhysicsTag>()->value);
		EXPECT_EQ(ids, (std::vector<unsigned>{0x00050002u, 0x00060002u, 0x00090002u}));
	}

	TEST_F(ObjectGroupTest, SaveWritesTheGroupsOwnMembersThenOnlyTheOriginOfItsOrigin)
	{
		engine->AddSystem(new GUI);
		Group* group = LoadGroup(ObjectElement("Rock", "<Component><string>Marker</string><int>4</int></Component>") + OriginElement("1 2 3", "0 0 0", 9));
		for (const char* name : {"Gizmo", "Origin", "Inherited"})
			CreateObject(name).object->SetGroup(group->GetId());
		engine->GetSystem<GUI>()->AddEditorObject("Gizmo", OnlyNamed("Gizmo").id);
		group->SetRecord(OnlyNamed("Inherited").id, Group::MemberRecord(true, ""));
		group->GetOriginObject().object->AddComponent(Marker::TypeId());

		EXPECT_EQ(SavedText(*group), ReadText(std::string(kFixtures) + "Groups/RockWithOrigin.saved"));
	}

	TEST_F(ObjectGroupTest, AGroupWhoseOriginWasDeletedAloneSavesTheWorldsFrameAsItsOrigin)
	{
		const std::string post = "<Component><string>Transform</string><Tuple3f>1 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f></Component>";
		Group* group = LoadGroup(ObjectElement("Post", post) + OriginElement("4 0 0", "0 90 0", 3));
		ProcessObjectChanges();
		group->GetOriginObject().object->Destroy();
		ProcessObjectChanges();

		const std::string saved = SavedText(*group);
		EXPECT_NE(saved.find("<string name=\"ObjectArchetype\">Origin</string>\n\t\t\t<Tuple3f name=\"pos\">0 0 0</Tuple3f>\n"
								  "\t\t\t<Tuple3f name=\"rot\">0 0 0</Tuple3f>"), std::string::npos) << saved;
	}

	TEST_F(ObjectGroupTest, AStrayValueAmongTheObjectsIsSkippedWithOneDiagnostic)
	{
		Group* group = nullptr;
		const std::string diagnostics = StderrOf([&]
		{ group = LoadGroup(ObjectElement("Rock") + "<string name=\"author\">me</string>" + ObjectElement("Tree")); });
		EXPECT_EQ(group->GetMembers().size(), 2u);
		EXPECT_EQ(Named("Rock").size() + Named("Tree").size(), 2u);
		EXPECT_EQ(diagnostics, "Serializer: 'Group0': value 2 'author' of 'ObjectGroup' stands where an element was expected; it is skipped\n");
	}
}
