#include "Components/GUI/EditorWorld.h"
#include "Components/GUI/LevelEditorBrain.h"
#include "Components/GUI/PlaceAndDeleteMode.h"
#include "Components/GUI/SelectionMode.h"
#include "Composition.h"
#include "Object.h"
#include "Utilities/ScriptPage.h"

#include <gtest/gtest.h>

namespace
{
	// The editor object "Editor" with the three bound components, unstarted.
	class EditorBindings : public test::ScriptPageTest
	{
	protected:
		void SetUp() override
		{
			DestroyAllObjects();
			LevelEditorBrain::Register();
			PlaceAndDeleteMode::Register();
			SelectionMode::Register();
			ScriptPageTest::SetUp();
			const Object editor = CreateObject("Editor");
			for (unsigned typeId : {LevelEditorBrain::TypeId(), PlaceAndDeleteMode::TypeId(), SelectionMode::TypeId()})
				editor.object->AddComponent(typeId);
			brain = editor.object->GetComponent<LevelEditorBrain>();
			placement = editor.object->GetComponent<PlaceAndDeleteMode>();
			selection = editor.object->GetComponent<SelectionMode>();
			Run("var editor = new ObjectFromName('Editor', 0); var brain = editor.GetComponent('LevelEditorBrain');"
				"var place = editor.GetComponent('PlaceAndDeleteMode'); var selection = editor.GetComponent('SelectionMode');");
		}
		void TearDown() override
		{
			ScriptPageTest::TearDown();
			DestroyAllObjects();
		}

		LevelEditorBrain* brain = nullptr;
		PlaceAndDeleteMode* placement = nullptr;
		SelectionMode* selection = nullptr;
	};

	TEST_F(EditorBindings, ScaleAndRotationReadCopiesAndChangeOnlyByAVec3)
	{
		placement->SetScale(Tuple3f(1, 2, 3));
		EXPECT_EQ(Eval("(function(){ var s = place.Scale; s.x = 9; return place.Scale.x; })()"), "1");
		Run("var v = new Vec3(); v.x = 4; place.Scale = v; place.Rotation = v;");
		EXPECT_EQ(placement->GetScale(), Tuple3f(4, 0, 0));
		EXPECT_EQ(placement->GetRotation(), Tuple3f(4, 0, 0));
		for (const char* value : {"5", "'big'", "[1, 2, 3]", "new Vec2()", "undefined"})
		{
			Run(std::string("place.Scale = ") + value + "; place.Rotation = " + value + ";");
			EXPECT_EQ(placement->GetScale(), Tuple3f(4, 0, 0)) << value;
			EXPECT_EQ(placement->GetRotation(), Tuple3f(4, 0, 0)) << value;
		}
	}

	TEST_F(EditorBindings, NumbersTakeNonNumbersAsZero)
	{
		Run("brain.CurrentMode_ = 2; selection.CurrObjID = 7; place.CurrObjName = 'Crate.xml';");
		EXPECT_EQ(brain->GetCurrentMode(), 2u);
		EXPECT_EQ(selection->GetCurrObjID(), 7u);
		EXPECT_EQ(placement->GetCurrObjName(), "Crate.xml");
		Run("brain.CurrentMode_ = 'x'; selection.CurrObjID = {};");
		EXPECT_EQ(brain->GetCurrentMode(), 0u);
		EXPECT_EQ(selection->GetCurrObjID(), 0u);
		brain->SetCurrentMode(2);
		Run("brain.ChangeMode();");
		EXPECT_EQ(brain->GetCurrentMode(), 0u);
	}

	TEST_F(EditorBindings, ListsAreFreshArraysAndObjectsOrGroupsChangesOnlyByToggleType)
	{
		EXPECT_EQ(Eval("(function(){ var a = brain.LevelList; a.push('x'); return (a !== brain.LevelList) + ' ' + brain.LevelList.length +"
					   " ' ' + Array.isArray(place.CreatableObjectList) + ' ' + place.CreatableGroupList.length; })()"),
			"true 0 true 0");
		EXPECT_TRUE(brain->GetLevelList().empty());
		Run("place.ObjectsOrGroups = 1;");
		EXPECT_EQ(placement->GetObjectsOrGroups(), 0u);
		EXPECT_EQ(Eval("(function(){ place.ToggleType(); place.ToggleMode(); return place.ObjectsOrGroups; })()"), "1");
		EXPECT_EQ(placement->GetPlacementMode(), 1u);
	}

	TEST_F(EditorBindings, AScriptMadeComponentHasNoOwnerAndItsCallsDoNoHarm)
	{
		EXPECT_EQ(Eval("(function(){ var s = new SelectionMode(); s.CurrObjID = 3; s.DeleteObj(); var b = new LevelEditorBrain();"
					   " b.ChangeMode(1); b.SaveToExtension(); b.EmptyObjectList(); return s.CurrObjID + ' ' + b.CurrentMode_ + ' ' +"
					   " new PlaceAndDeleteMode().Scale.x; })()"),
			"3 1 0");
		Collect();
	}
}

namespace gui_tests
{
	using EditorBindingsInThePage = EditorWorld;

	TEST_F(EditorBindingsInThePage, TheScriptChangeModeSetsTheModeWithoutCallingThePage)
	{
		StartEditor(0);
		HTMLPane* pane = ObjectFromName("LevelEditorHud").object->GetComponent<HTMLPane>();
		gui->Update();
		Run(*pane, "Brain().ChangeMode(2); Selection().DeleteObj();");
		EXPECT_EQ(brain->GetCurrentMode(), 2u);
		EXPECT_EQ(gui->StartingLEMode, 2);
		EXPECT_TRUE(page->calls.empty());
		Run(*pane, "Send('ChangeMode');");
		EXPECT_EQ(brain->GetCurrentMode(), 0u);
		EXPECT_EQ(page->calls.size(), 1u);
	}
}
