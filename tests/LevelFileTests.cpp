#include "EngineTestSupport.h"

#include "Components/Origin.h"
#include "Systems/GUI/GUI.h"
#include "Utilities/TestHelpers.h"

#include <sys/stat.h>

namespace
{
	using namespace test;

	class LevelFileTest : public EngineTest
	{
	protected:
		void SetUp() override
		{
			EngineTest::SetUp();
			MakeEngine(kFixtures);
		}
	};

	TEST_F(LevelFileTest, TwoGroupsWithArchetypesSaveReloadAndSaveAgainByteIdentically)
	{
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		const unsigned lastGroupBefore = ObjectGroup::InCreationOrder().back()->GetId();
		const std::string firstSave = userFolder.Path() + "Harbour.first";
		ASSERT_TRUE(engine->SaveLevel(firstSave));
		const std::string first = ReadText(firstSave);
		EXPECT_EQ(first, ReadText(std::string(kFixtures) + "Levels/Harbour.saved"));

		// Loading again replaces the whole world and restarts object ids.
		ASSERT_TRUE(engine->LoadLevel(firstSave));
		EXPECT_EQ(Named("Crate").size(), 2u);
		EXPECT_EQ(Named("Crate").front().id, 1u);
		EXPECT_GT(ObjectGroup::InCreationOrder().front()->GetId(), lastGroupBefore);
		EXPECT_EQ(OnlyNamed("Lamp").object->GetComponent<Marker>()->value, 100);
		const std::string secondSave = userFolder.Path() + "Harbour.second";
		ASSERT_TRUE(engine->SaveLevel(secondSave));
		EXPECT_EQ(ReadText(secondSave), first);
	}

	TEST_F(LevelFileTest, LoadReadsEachGroupWithItsOriginAndGroupFileThenStartsObjectsNewestFirst)
	{
		engine->AddSystem(new Director);
		Events().clear();
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		EXPECT_EQ(engine->GetNextLevel(), "Lighthouse");
		EXPECT_EQ(engine->GetPreviousLevel(), "MainMenu");

		// The file's last, empty group loads as a group of its own.
		const std::vector<ObjectGroup*> groups = ObjectGroup::InCreationOrder();
		ASSERT_EQ(groups.size(), 3u);
		EXPECT_TRUE(groups[2]->GetMembers().empty());
		const std::vector<Object> crates = Named("Crate");
		ASSERT_EQ(crates.size(), 2u);
		EXPECT_EQ(crates[0].object->GetGroup(), groups[0]);
		EXPECT_EQ(crates[1].object->GetGroup(), groups[1]);
		const Object lamp = OnlyNamed("Lamp");
		const Object wall = OnlyNamed("Wall");
		EXPECT_EQ(wall.object->GetGroup(), groups[1]);

		// What the level says over the archetype wins; the rest comes from the files.
		EXPECT_EQ(crates[0].object->GetComponent<Marker>()->value, 7);
		EXPECT_EQ(crates[1].object->GetComponent<Marker>()->value, 1);
		EXPECT_EQ(lamp.object->GetComponent<Marker>()->value, 100);

		// Positions are relative to the group's origin: (1, 2, 3) turned a quarter about y is (3, 2, -1).
		ExpectNear(lamp.object->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(13, 2, -1), 1e-4);
		// The level's own origin replaced the group file's, and its physics id prefixes the group's.
		EXPECT_EQ(Named("Origin").size(), 2u);
		EXPECT_EQ(groups[1]->GetOriginObject().object->GetComponent<Origin>()->GetPhysicsId(), 4u);
		EXPECT_EQ(wall.object->GetComponent<PhysicsTag>()->value, 0x00040002u);
		EXPECT_EQ(crates[0].object->GetComponent<PhysicsTag>()->value, 0x00030009u);
		EXPECT_EQ(crates[1].object->GetComponent<PhysicsTag>()->value, 0x00040009u);

		const auto started = [](const Object& object) { return "Start Marker " + std::to_string(object.id); };
		EXPECT_EQ(Events(), (Names{started(OnlyNamed("Chimney")), started(crates[1]), started(lamp), started(crates[0]), "LevelLoaded MainMenu"}));
	}

	TEST_F(LevelFileTest, ALevelThatCannotBeReadLeavesAnEmptyWorldAndSendsNothing)
	{
		engine->AddSystem(new Director);
		userFolder.WriteFile("Levels/Empty", "<Level />");
		userFolder.WriteFile("Levels/Malformed", "<Level><string>Next</string>");
		userFolder.WriteFile("Levels/Binary", "\x12\x41\x21\x53<Level><string>Next</string></Level>");
		const std::string fifo = userFolder.Path() + "Levels/Pipe";
		ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
		for (const std::string& name : {std::string("Empty"), std::string("Malformed"), std::string("Binary"), std::string("NoSuchLevel"),
				 std::string("/dev/zero"), fifo})
		{
			SCOPED_TRACE(name);
			ASSERT_TRUE(engine->LoadLevel("Harbour"));
			Events().clear();
			EXPECT_FALSE(engine->LoadLevel(name));
			EXPECT_TRUE(FirstObject().IsDummy());
			EXPECT_TRUE(ObjectGroup::InCreationOrder().empty());
			EXPECT_TRUE(Events().empty());
			// The level names keep what the last readable level said.
			EXPECT_EQ(engine->GetNextLevel(), "Lighthouse");
		}
	}

	TEST_F(LevelFileTest, ObjectsMadeWhilePlayingAreSavedInTheDefaultGroupButNotTheEditorsOwn)
	{
		engine->AddSystem(new GUI);
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		CreateObject("Buoy").object->AddComponent(Marker::TypeId());
		engine->GetSystem<GUI>()->AddEditorObject("SelectionBox", CreateObject("SelectionBox").id);

		const std::string saved = userFolder.Path() + "Played";
		ASSERT_TRUE(engine->SaveLevel(saved));
		const std::string text = ReadText(saved);
		EXPECT_EQ(text.substr(text.rfind("<ObjectGroup>")),
			"<ObjectGroup>\n\t\t<Object>\n\t\t\t<string name=\"Archetype\">Buoy</string>\n\t\t\t<Component>\n"
			"\t\t\t\t<string name=\"ComponentName\">Marker</string>\n\t\t\t\t<int name=\"value\">0</int>\n"
			"\t\t\t</Component>\n\t\t</Object>\n\t</ObjectGroup>\n</Unknown>\n");
		EXPECT_EQ(text.find("SelectionBox"), std::string::npos);
	}

	// The file's last group is the default group it was saved from and loads as a group of its own:
	// saving the loaded level again must not add an empty default group after it.
	TEST_F(LevelFileTest, ALevelSavedWithObjectsMadeWhilePlayingSavesBackByteIdentically)
	{
		engine->AddSystem(new GUI);
		for (const bool editorObjectOnReload : {false, true})
		{
			SCOPED_TRACE(editorObjectOnReload);
			ASSERT_TRUE(engine->LoadLevel("Harbour"));
			CreateObject("Buoy").object->AddComponent(Marker::TypeId());
			const std::string first = userFolder.Path() + "Played.first";
			const std::string second = userFolder.Path() + "Played.second";
			ASSERT_TRUE(engine->SaveLevel(first));
			ASSERT_TRUE(engine->LoadLevel(first));
			if (editorObjectOnReload)
				engine->GetSystem<GUI>()->AddEditorObject("SelectionBox", CreateObject("SelectionBox").id);
			ASSERT_TRUE(engine->SaveLevel(second));
			EXPECT_EQ(ReadText(second), ReadText(first));
		}
	}

	TEST_F(LevelFileTest, SaveReportsAFileThatCouldNotBeWrittenAndKeepsTheOldOne)
	{
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		const std::string missingFolder = userFolder.Path() + "no/such/folder/Harbour";
		EXPECT_FALSE(engine->SaveLevel(missingFolder));
		EXPECT_FALSE(std::filesystem::exists(missingFolder));

		// A folder standing where the file should go cannot be replaced by it.
		userFolder.WriteFile("Occupied/keep", "kept");
		EXPECT_FALSE(engine->SaveLevel(userFolder.Path() + "Occupied"));
		EXPECT_EQ(userFolder.ReadFile("Occupied/keep"), "kept");
	}

	// Each once, with one diagnostic naming the file and element: a loop that kept meeting a
	// value it could not enter used to hang the game.
	TEST_F(LevelFileTest, AStrayValueInEachPlaceIsSkippedOnceWithOneDiagnostic)
	{
		userFolder.WriteFile("Stray.xml",
			"<Level><string name=\"nextLevel\">Next</string><string name=\"prevLevel\">Previous</string>"
			"<string name=\"author\">me</string>"
			"<ObjectGroup><Object><string>Rock</string>"
			"<Component><string>BoneTransform</string><Bone><string>Spine</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 2 3</Tuple3f></Bone>"
			"<int name=\"bone\">1</int></Component><float name=\"weight\">2</float></Object>"
			"<string name=\"note\">x</string><Object><string>Tree</string></Object></ObjectGroup></Level>");
		bool loaded = false;
		const std::string diagnostics = StderrOf([&] { loaded = engine->LoadLevel(userFolder.Path() + "Stray.xml"); });
		ASSERT_TRUE(loaded);
		EXPECT_EQ(OnlyNamed("Tree").object->GetGroupId(), OnlyNamed("Rock").object->GetGroupId());
		const BoneTransform* bones = OnlyNamed("Rock").object->GetComponent<BoneTransform>();
		ASSERT_NE(bones, nullptr);
		EXPECT_NE(bones->Find("Spine"), bones->End());
		const std::string level = "Serializer: '" + userFolder.Path() + "Stray.xml': ";
		const std::string skipped = " stands where an element was expected; it is skipped\n";
		EXPECT_EQ(diagnostics, level + "value 3 'author' of 'Level'" + skipped + level + "value 3 'bone' of 'Component'" + skipped + level +
			"value 3 'weight' of 'Object'" + skipped + level + "value 2 'note' of 'ObjectGroup'" + skipped);
	}
}
