#include "Archetype.h"

#include "EngineTestSupport.h"

namespace
{
	using namespace test;

	class Archetype : public EngineTest
	{
	protected:
		void SetUp() override
		{
			EngineTest::SetUp();
			MakeEngine(kFixtures);
		}

		// The level file written now, from its first "ObjectGroup" on.
		std::string SavedGroups()
		{
			const std::string path = userFolder.Path() + "Saved";
			EXPECT_TRUE(engine->SaveLevel(path));
			const std::string text = ReadText(path);
			const std::size_t groups = text.find("\t<ObjectGroup");
			return groups != std::string::npos ? text.substr(groups) : text;
		}

		// A component element as a level saves it, inside an object inside a group.
		static std::string SavedComponent(const std::string& name, const std::string& field)
		{
			return "\t\t\t<Component>\n\t\t\t\t<string name=\"ComponentName\">" + name + "</string>\n\t\t\t\t" + field + "\n\t\t\t</Component>\n";
		}
	};

	TEST_F(Archetype, AnObjectFromAnArchetypeIsSavedAsItsReferencePlusWhatChangedOrWasAdded)
	{
		const Object crate = CreateObjectFromArchetype("Crate.xml");
		ASSERT_FALSE(crate.IsDummy());
		EXPECT_EQ(crate.GetName(), "Crate");
		EXPECT_EQ(crate.GetComponents().size(), 3u);
		EXPECT_EQ(crate.object->GetComponent<PhysicsTag>()->value, 9u);
		EXPECT_EQ(SavedGroups(), "\t<ObjectGroup>\n\t\t<Object file=\"Crate.xml\" />\n\t</ObjectGroup>\n</Unknown>\n");
		// Moved to another group, it is still saved as its archetype's reference.
		crate.object->SetGroup(ObjectGroup::Create()->GetId());
		EXPECT_EQ(SavedGroups(), "\t<ObjectGroup>\n\t\t<Object file=\"Crate.xml\" />\n\t</ObjectGroup>\n\t<ObjectGroup />\n</Unknown>\n");

		// The level editor clears the record of what it changed; a component added later is the level's.
		crate.object->GetComponent<Marker>()->value = 3;
		crate.object->ClearArchetypeRecord(Marker::TypeId());
		crate.object->AddComponent(StartMessage::TypeId());
		EXPECT_EQ(SavedGroups(), "\t<ObjectGroup>\n\t\t<Object file=\"Crate.xml\">\n" + SavedComponent("Marker", "<int name=\"value\">3</int>") +
				SavedComponent("StartMessage", "<string name=\"message\" />") + "\t\t</Object>\n\t</ObjectGroup>\n\t<ObjectGroup />\n</Unknown>\n");

		// Loaded back, the object has the archetype's components with the level's changes over them.
		ASSERT_TRUE(engine->LoadLevel(userFolder.Path() + "Saved"));
		const Object loaded = OnlyNamed("Crate");
		EXPECT_EQ(loaded.GetComponents().size(), 4u);
		EXPECT_EQ(loaded.object->GetComponent<Marker>()->value, 3);
		EXPECT_EQ(loaded.object->GetComponent<PhysicsTag>()->value, 9u);
	}

	TEST_F(Archetype, AnArchetypeThatCannotBeReadCreatesNothingAndIsNamed)
	{
		userFolder.WriteFile("Objects/Hollow.xml", "<Object />");
		userFolder.WriteFile("Objects/Broken.xml", "<Object><string>Crate");
		for (const char* file : {"Hollow.xml", "Broken.xml", "Absent.xml"})
		{
			SCOPED_TRACE(file);
			::testing::internal::CaptureStderr();
			EXPECT_TRUE(CreateObjectFromArchetype(file).IsDummy());
			const std::string diagnostics = ::testing::internal::GetCapturedStderr();
			EXPECT_TRUE(FirstObject().IsDummy());
			EXPECT_NE(diagnostics.find(file), std::string::npos) << diagnostics;
		}
	}

	TEST_F(Archetype, AMissingArchetypeOrGroupFileLeavesTheLevelsOwnContentsAndItsReference)
	{
		const std::string marker = "<Component><string>Marker</string><int>4</int></Component>";
		const std::string savedMarker = SavedComponent("Marker", "<int name=\"value\">4</int>");
		const struct
		{
			const char* missingFile;
			std::string group;
			std::string savedGroup;
		} cases[] = {
			{"GoneCrate.xml", "<ObjectGroup><Object file=\"GoneCrate.xml\">" + marker + "</Object></ObjectGroup>",
				"\t<ObjectGroup>\n\t\t<Object file=\"GoneCrate.xml\">\n" + savedMarker + "\t\t</Object>\n\t</ObjectGroup>\n"},
			{"GoneHut.xml", "<ObjectGroup file=\"GoneHut.xml\"><Object><string>Chimney</string>" + marker + "</Object></ObjectGroup>",
				"\t<ObjectGroup file=\"GoneHut.xml\">\n\t\t<Object>\n\t\t\t<string name=\"Archetype\">Chimney</string>\n" + savedMarker +
					"\t\t</Object>\n\t</ObjectGroup>\n"},
		};
		for (const auto& test : cases)
		{
			SCOPED_TRACE(test.missingFile);
			const std::string levelName = std::string("Without") + test.missingFile;
			userFolder.WriteFile("Levels/" + levelName, "<Level><string>Next</string><string>Previous</string>" + test.group + "</Level>");
			::testing::internal::CaptureStderr();
			ASSERT_TRUE(engine->LoadLevel(levelName));
			const std::string diagnostics = ::testing::internal::GetCapturedStderr();
			EXPECT_NE(diagnostics.find(test.missingFile), std::string::npos) << diagnostics;
			const Object object = FirstObject();
			EXPECT_EQ(object.GetComponents(), Names{"Marker"});
			EXPECT_EQ(object.object->GetComponent<Marker>()->value, 4);
			EXPECT_EQ(SavedGroups(), test.savedGroup + "</Unknown>\n");
		}
	}
}
