#include "LevelTestSupport.h"

#include "Components/Origin.h"
#include "Systems/GUI/GUI.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{
	using namespace test;

	std::string ReadText(const std::string& path)
	{
		std::ifstream file(path, std::ios::binary);
		std::ostringstream text;
		text << file.rdbuf();
		return text.str();
	}

	class LevelFile : public LevelTest
	{
	};

	TEST_F(LevelFile, TwoGroupsWithArchetypesSaveReloadAndSaveAgainByteIdentically)
	{
		MakeEngineOverFixtures();
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		const std::string firstSave = userFolder.Path() + "Harbour.first";
		ASSERT_TRUE(engine->SaveLevel(firstSave));
		const std::string first = ReadText(firstSave);
		EXPECT_EQ(first, ReadText(std::string(kFixtures) + "Levels/Harbour.saved"));

		ASSERT_TRUE(engine->LoadLevel(firstSave));
		EXPECT_EQ(Named("Crate").size(), 2u);
		EXPECT_EQ(OnlyNamed("Lamp").object->GetComponent<Marker>()->value, 100);
		const std::string secondSave = userFolder.Path() + "Harbour.second";
		ASSERT_TRUE(engine->SaveLevel(secondSave));
		EXPECT_EQ(ReadText(secondSave), first);
	}

	TEST_F(LevelFile, LoadReadsTheLevelNamesByPositionAndEachGroupWithItsOriginAndGroupFile)
	{
		MakeEngineOverFixtures();
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		EXPECT_EQ(engine->GetNextLevel(), "Lighthouse");
		EXPECT_EQ(engine->GetPreviousLevel(), "MainMenu");

		// The file's last, empty group loads as a group of its own.
		const std::vector<::ObjectGroup*> groups = ::ObjectGroup::InCreationOrder();
		ASSERT_EQ(groups.size(), 3u);
		EXPECT_TRUE(groups[2]->GetMembers().empty());
		const std::vector<Object> crates = Named("Crate");
		ASSERT_EQ(crates.size(), 2u);
		EXPECT_EQ(crates[0].object->GetGroup(), groups[0]);
		EXPECT_EQ(crates[1].object->GetGroup(), groups[1]);
		EXPECT_EQ(OnlyNamed("Wall").object->GetGroup(), groups[1]);

		// What the level says over the archetype wins; the rest comes from the files.
		EXPECT_EQ(crates[0].object->GetComponent<Marker>()->value, 7);
		EXPECT_EQ(crates[1].object->GetComponent<Marker>()->value, 1);
		EXPECT_EQ(OnlyNamed("Lamp").object->GetComponent<Marker>()->value, 100);

		// Positions are relative to the group's origin: (1, 2, 3) turned a quarter about y is (3, 2, -1).
		const Tuple3f lamp = OnlyNamed("Lamp").object->GetComponent<Transform>()->GetWorldPosition();
		EXPECT_NEAR(lamp.x, 13.0f, 1e-4f);
		EXPECT_NEAR(lamp.y, 2.0f, 1e-4f);
		EXPECT_NEAR(lamp.z, -1.0f, 1e-4f);
		// The level's own origin replaced the group file's, and its physics id prefixes the group's.
		EXPECT_EQ(Named("Origin").size(), 2u);
		EXPECT_EQ(groups[1]->GetOriginObject().object->GetComponent<Origin>()->GetPhysicsId(), 4u);
		EXPECT_EQ(OnlyNamed("Wall").object->GetComponent<PhysicsTag>()->physicsId, 0x00040002u);
		EXPECT_EQ(crates[0].object->GetComponent<PhysicsTag>()->physicsId, 0x00030009u);
		EXPECT_EQ(crates[1].object->GetComponent<PhysicsTag>()->physicsId, 0x00040009u);
	}

	TEST_F(LevelFile, LoadStartsEveryObjectNewestFirstThenSendsLevelLoaded)
	{
		MakeEngineOverFixtures();
		engine->AddSystem(new Director);
		Events().clear();
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		const std::vector<Object> crates = Named("Crate");
		ASSERT_EQ(crates.size(), 2u);
		const auto started = [](const Object& object) { return "Start Marker " + std::to_string(object.id); };
		EXPECT_EQ(Events(), (std::vector<std::string>{started(OnlyNamed("Chimney")), started(crates[1]), started(OnlyNamed("Lamp")),
								started(crates[0]), "LevelLoaded MainMenu"}));
	}

	TEST_F(LevelFile, LoadingAgainReplacesTheWholeWorldAndRestartsObjectIds)
	{
		MakeEngineOverFixtures();
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		const std::vector<::ObjectGroup*> before = ::ObjectGroup::InCreationOrder();
		const unsigned lastGroupBefore = before.back()->GetId();
		CreateObject("Buoy");

		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		EXPECT_TRUE(Named("Buoy").empty());
		EXPECT_EQ(Named("Crate").size(), 2u);
		EXPECT_EQ(Named("Crate").front().id, 1u);
		const std::vector<::ObjectGroup*> after = ::ObjectGroup::InCreationOrder();
		ASSERT_EQ(after.size(), 3u);
		EXPECT_GT(after.front()->GetId(), lastGroupBefore);
	}

	TEST_F(LevelFile, ALevelThatCannotBeReadLeavesAnEmptyWorldAndSendsNothing)
	{
		struct Case
		{
			const char* name;
			const char* text;
		};
		const Case cases[] = {
			{"Empty", "<Level />"},
			{"Malformed", "<Level><string>Next</string>"},
			{"Binary", "\x12\x41\x21\x53<Level><string>Next</string></Level>"},
		};
		MakeEngineOverFixtures();
		engine->AddSystem(new Director);
		for (const Case& test : cases)
			userFolder.WriteFile(std::string("Levels/") + test.name, test.text);
		for (const char* name : {"Empty", "Malformed", "Binary", "NoSuchLevel"})
		{
			SCOPED_TRACE(name);
			ASSERT_TRUE(engine->LoadLevel("Harbour"));
			Events().clear();
			EXPECT_FALSE(engine->LoadLevel(name));
			EXPECT_TRUE(FirstObject().IsDummy());
			EXPECT_TRUE(::ObjectGroup::InCreationOrder().empty());
			EXPECT_TRUE(Events().empty());
			// The level names keep what the last readable level said.
			EXPECT_EQ(engine->GetNextLevel(), "Lighthouse");
		}
	}

	TEST_F(LevelFile, ObjectsMadeWhilePlayingAreSavedInTheDefaultGroupLastButNotTheEditorsOwn)
	{
		MakeEngineOverFixtures();
		engine->AddSystem(new GUI);
		engine->GetSystem<GUI>()->AddEditorObjectName("SelectionBox");
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		CreateObject("Buoy").object->AddComponent(Marker::TypeId());
		CreateObject("SelectionBox");

		const std::string saved = userFolder.Path() + "Played";
		ASSERT_TRUE(engine->SaveLevel(saved));
		const std::string text = ReadText(saved);
		const std::size_t lastGroup = text.rfind("<ObjectGroup>");
		ASSERT_NE(lastGroup, std::string::npos) << text;
		EXPECT_EQ(text.substr(lastGroup),
			"<ObjectGroup>\n"
			"\t\t<Object>\n"
			"\t\t\t<string name=\"Archetype\">Buoy</string>\n"
			"\t\t\t<Component>\n"
			"\t\t\t\t<string name=\"ComponentName\">Marker</string>\n"
			"\t\t\t\t<int name=\"value\">0</int>\n"
			"\t\t\t</Component>\n"
			"\t\t</Object>\n"
			"\t</ObjectGroup>\n"
			"</Unknown>\n");
		EXPECT_EQ(text.find("SelectionBox"), std::string::npos);
	}

	TEST_F(LevelFile, SaveReportsAFileThatCouldNotBeWrittenAndKeepsTheOldOne)
	{
		MakeEngineOverFixtures();
		ASSERT_TRUE(engine->LoadLevel("Harbour"));
		const std::string missingFolder = userFolder.Path() + "no/such/folder/Harbour";
		EXPECT_FALSE(engine->SaveLevel(missingFolder));
		EXPECT_FALSE(std::filesystem::exists(missingFolder));

		// A folder standing where the file should go cannot be replaced by it.
		const std::string occupied = userFolder.Path() + "Occupied";
		userFolder.WriteFile("Occupied/keep", "kept");
		EXPECT_FALSE(engine->SaveLevel(occupied));
		EXPECT_EQ(userFolder.ReadFile("Occupied/keep"), "kept");
	}
}
