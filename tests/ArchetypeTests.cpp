#include "LevelTestSupport.h"

#include "Archetype.h"

#include <fstream>
#include <sstream>

namespace
{
	using namespace test;

	class Archetype : public LevelTest
	{
	protected:
		void SetUp() override
		{
			LevelTest::SetUp();
			MakeEngineOverFixtures();
		}

		// The level file written now, from its first "ObjectGroup" on.
		std::string SavedGroups()
		{
			const std::string path = userFolder.Path() + "Saved";
			EXPECT_TRUE(engine->SaveLevel(path));
			std::ifstream file(path, std::ios::binary);
			std::ostringstream text;
			text << file.rdbuf();
			const std::size_t groups = text.str().find("\t<ObjectGroup");
			return groups != std::string::npos ? text.str().substr(groups) : text.str();
		}
	};

	TEST_F(Archetype, AnObjectFromAnArchetypeIsSavedAsItsReferencePlusWhatChangedOrWasAdded)
	{
		const Object crate = CreateObjectFromArchetype("Crate.xml");
		ASSERT_FALSE(crate.IsDummy());
		EXPECT_EQ(crate.GetName(), "Crate");
		EXPECT_EQ(crate.GetComponents().size(), 3u);
		EXPECT_EQ(crate.object->GetComponent<Marker>()->value, 1);
		EXPECT_EQ(crate.object->GetComponent<PhysicsTag>()->physicsId, 9u);
		EXPECT_EQ(SavedGroups(),
			"\t<ObjectGroup>\n"
			"\t\t<Object file=\"Crate.xml\" />\n"
			"\t</ObjectGroup>\n"
			"</Unknown>\n");

		// The level editor clears the record of what it changed; a component added later is the level's.
		crate.object->GetComponent<Marker>()->value = 3;
		crate.object->ClearArchetypeRecord(Marker::TypeId());
		crate.object->AddComponent(StartMessage::TypeId());
		EXPECT_EQ(SavedGroups(),
			"\t<ObjectGroup>\n"
			"\t\t<Object file=\"Crate.xml\">\n"
			"\t\t\t<Component>\n"
			"\t\t\t\t<string name=\"ComponentName\">Marker</string>\n"
			"\t\t\t\t<int name=\"value\">3</int>\n"
			"\t\t\t</Component>\n"
			"\t\t\t<Component>\n"
			"\t\t\t\t<string name=\"ComponentName\">StartMessage</string>\n"
			"\t\t\t\t<string name=\"message\" />\n"
			"\t\t\t</Component>\n"
			"\t\t</Object>\n"
			"\t</ObjectGroup>\n"
			"</Unknown>\n");

		// Loaded back, the object has the archetype's components with the level's changes over them.
		ASSERT_TRUE(engine->LoadLevel(userFolder.Path() + "Saved"));
		const Object loaded = OnlyNamed("Crate");
		EXPECT_EQ(loaded.GetComponents().size(), 4u);
		EXPECT_EQ(loaded.object->GetComponent<Marker>()->value, 3);
		EXPECT_EQ(loaded.object->GetComponent<PhysicsTag>()->physicsId, 9u);
	}

	TEST_F(Archetype, AnObjectMovedToAnotherGroupIsStillSavedAsItsArchetypesReference)
	{
		const Object crate = CreateObjectFromArchetype("Crate.xml");
		crate.object->SetGroup(::ObjectGroup::Create()->GetId());
		EXPECT_EQ(SavedGroups(),
			"\t<ObjectGroup>\n"
			"\t\t<Object file=\"Crate.xml\" />\n"
			"\t</ObjectGroup>\n"
			"\t<ObjectGroup />\n"
			"</Unknown>\n");
	}

	TEST_F(Archetype, AnArchetypeThatCannotBeReadCreatesNothingAndIsNamed)
	{
		userFolder.WriteFile("Objects/Hollow.xml", "<Object />");
		userFolder.WriteFile("Objects/Broken.xml", "<Object><string>Crate");
		for (const char* file : {"Hollow.xml", "Broken.xml", "Absent.xml"})
		{
			SCOPED_TRACE(file);
			::testing::internal::CaptureStderr();
			const Object made = CreateObjectFromArchetype(file);
			const std::string diagnostics = ::testing::internal::GetCapturedStderr();
			EXPECT_TRUE(made.IsDummy());
			EXPECT_TRUE(FirstObject().IsDummy());
			EXPECT_NE(diagnostics.find(file), std::string::npos) << diagnostics;
		}
	}

	TEST_F(Archetype, AMissingArchetypeOrGroupFileLeavesTheLevelsOwnContentsAndItsReference)
	{
		struct Case
		{
			const char* missingFile;
			const char* group;
			const char* savedGroup;
		};
		const Case cases[] = {
			{"GoneCrate.xml",
				"<ObjectGroup><Object file=\"GoneCrate.xml\"><Component><string>Marker</string><int>4</int></Component></Object></ObjectGroup>",
				"\t<ObjectGroup>\n"
				"\t\t<Object file=\"GoneCrate.xml\">\n"
				"\t\t\t<Component>\n"
				"\t\t\t\t<string name=\"ComponentName\">Marker</string>\n"
				"\t\t\t\t<int name=\"value\">4</int>\n"
				"\t\t\t</Component>\n"
				"\t\t</Object>\n"
				"\t</ObjectGroup>\n"},
			{"GoneHut.xml",
				"<ObjectGroup file=\"GoneHut.xml\"><Object><string>Chimney</string>"
				"<Component><string>Marker</string><int>4</int></Component></Object></ObjectGroup>",
				"\t<ObjectGroup file=\"GoneHut.xml\">\n"
				"\t\t<Object>\n"
				"\t\t\t<string name=\"Archetype\">Chimney</string>\n"
				"\t\t\t<Component>\n"
				"\t\t\t\t<string name=\"ComponentName\">Marker</string>\n"
				"\t\t\t\t<int name=\"value\">4</int>\n"
				"\t\t\t</Component>\n"
				"\t\t</Object>\n"
				"\t</ObjectGroup>\n"},
		};
		for (const Case& test : cases)
		{
			SCOPED_TRACE(test.missingFile);
			const std::string levelName = std::string("Without") + test.missingFile;
			userFolder.WriteFile("Levels/" + levelName, std::string("<Level><string>Next</string><string>Previous</string>") + test.group + "</Level>");
			::testing::internal::CaptureStderr();
			const bool loaded = engine->LoadLevel(levelName);
			const std::string diagnostics = ::testing::internal::GetCapturedStderr();
			ASSERT_TRUE(loaded);
			EXPECT_NE(diagnostics.find(test.missingFile), std::string::npos) << diagnostics;
			const Object object = FirstObject();
			ASSERT_FALSE(object.IsDummy());
			EXPECT_EQ(object.GetComponents(), std::vector<std::string>{"Marker"});
			EXPECT_EQ(object.object->GetComponent<Marker>()->value, 4);
			EXPECT_EQ(SavedGroups(), std::string(test.savedGroup) + "\t<ObjectGroup />\n</Unknown>\n");
		}
	}
}
