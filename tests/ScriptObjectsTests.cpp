#include "Components/Graphics/Camera.h"
#include "Components/Graphics/Primitive.h"
#include "Components/Origin.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "QuietComponent.h"
#include "ScriptProbe.h"
#include "Utilities/ScriptPage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
	using test::ScriptProbe;

	class ScriptObjectsTest : public test::ScriptPageTest
	{
	protected:
		void SetUp() override
		{
			DestroyAllObjects();
			ScriptProbe::Register();
			Transform::Register();
			Primitive::Register();
			Origin::Register();
			Camera::Register();
			ScriptProbe::heard.clear();
			ScriptPageTest::SetUp();
		}
		void TearDown() override
		{
			ScriptPageTest::TearDown();
			ObjectGroup::DestroyAll();
			DestroyAllObjects();
		}

		static Object MakeCrate(const char* name = "Crate")
		{
			Object crate = CreateObject(name);
			crate.object->AddComponent(ScriptProbe::TypeId());
			crate.object->AddComponent(Transform::TypeId());
			crate.object->Start();
			return crate;
		}
	};
	using ScriptObjects = ScriptObjectsTest;
	using ScriptComponents = ScriptObjectsTest;

	TEST_F(ScriptObjects, HandlesFindObjectsByNameIndexAndIdOrAnswerAsTheDummy)
	{
		const Object crate = MakeCrate();
		const std::string id = std::to_string(crate.id);
		const struct
		{
			std::string expression;
			std::string expected;
		} rows[] = {
			{"new ObjectFromName('Crate', 0).GetName()", "Crate"},
			{"new ObjectFromName('Crate', 'x').GetId()", id},
			{"new ObjectFromName('Crate', 1).GetName() + new ObjectFromName('Crate', 1).GetId()", "Dummy0"},
			{"new ObjectFromId(" + id + ").GetName()", "Crate"},
			{"new ObjectFromId('x').GetName()", "Dummy"},
			{"new ObjectFromName('Crate').GetName()", "undefined"},
			{"new ObjectFromId().GetId()", "undefined"},
			{"new ObjectFromName('Crate', 0).GetComponents().sort().join()", "ScriptProbe,Transform"},
			{"new ObjectFromName('None', 0).GetComponents().length", "0"},
			{"new ObjectFromName('Crate', 0).GetAffected('Nothing').length", "0"},
			{"(function () { var p = new ObjectFromName('Crate', 0).GetAffected('Probe')[0]; return p.first + ' ' + p.second; })()",
				id + " " + std::to_string(ScriptProbe::TypeId())},
			{"(function () { var p = new IDPair(); p.first = 'a'; p.second = 4294967295; return p.first + ' ' + p.second; })()",
				"0 -1"},
		};
		for (const auto& row : rows)
			EXPECT_EQ(Eval(row.expression), row.expected) << row.expression;
	}

	TEST_F(ScriptObjects, SendMessageDeliversACopyInPushOrderAndKeepsTheScriptsMessage)
	{
		MakeCrate();
		Run("var m = new Message('Probe').PushInt(3).PushString('a'); var o = new ObjectFromName('Crate', 0);"
			" o.SendMessage(m); o.SendMessage(m); o.SendMessage(7); o.SendMessage();");
		EXPECT_EQ(ScriptProbe::heard, (std::vector<std::string>{"3 a", "3 a"}));
	}

	TEST_F(ScriptObjects, AHandleOfADestroyedObjectAnswersAsTheDummy)
	{
		Object crate = MakeCrate();
		Run("var kept = new ObjectFromName('Crate', 0);");
		crate.object->Destroy();
		ProcessObjectChanges();
		MakeCrate();
		EXPECT_EQ(Eval("kept.GetName() + ' ' + kept.GetId() + ' ' + kept.GetComponents().length"), "Dummy 0 0");
		Run("kept.SendMessage(new Message('Probe').PushInt(1).PushString('b'));");
		EXPECT_TRUE(ScriptProbe::heard.empty());
	}

	TEST_F(ScriptComponents, GetComponentGivesOneLiveWrapperPerComponent)
	{
		Object crate = MakeCrate();
		crate.object->GetComponent<Transform>()->SetScale(Tuple3f(2, 3, 4));
		EXPECT_EQ(Eval("(function () { var o = new ObjectFromName('Crate', 0); var t = o.GetComponent('Transform');"
			" return (t === o.GetComponent('Transform')) + ' ' + t.scale.y + ' ' + o.GetComponent('ScriptProbe') + ' ' +"
			" o.GetComponent('Nonsense'); })()"),
			"true 3 undefined undefined");
		Run("var s = new Vec3(); s.Set(5, 6, 7); new ObjectFromName('Crate', 0).GetComponent('Transform').scale = s;");
		EXPECT_EQ(crate.object->GetComponent<Transform>()->GetScale(), Tuple3f(5, 6, 7));
	}

	TEST_F(ScriptComponents, AWrapperOfADestroyedComponentAnswersUndefinedAndANewComponentGetsANewWrapper)
	{
		Object crate = MakeCrate();
		Run("var t = new ObjectFromName('Crate', 0).GetComponent('Transform');");
		crate.object->RemoveComponent("Transform");
		ProcessObjectChanges();
		::testing::internal::CaptureStderr();
		EXPECT_EQ(Eval("t.scale"), "undefined");
		Run("var v = new Vec3(); v.Set(1, 1, 1); t.scale = v;");
		::testing::internal::GetCapturedStderr();
		// A component made since, perhaps at the freed address, is not reached through the old wrapper.
		crate.object->AddComponent(Transform::TypeId());
		EXPECT_EQ(Eval("(function () { var n = new ObjectFromName('Crate', 0).GetComponent('Transform');"
			" return (n !== t) + ' ' + (n.scale instanceof Vec3) + ' ' + t.scale; })()"),
			"true true undefined");
	}

	TEST_F(ScriptComponents, PrimitiveVisibilityTakesAnyValueByItsTruth)
	{
		const struct
		{
			const char* value;
			const char* expected;
		} rows[] = {{"0", "false"}, {"''", "false"}, {"{}", "true"}, {"'x'", "true"}, {"null", "false"}};
		for (const auto& row : rows)
			EXPECT_EQ(Eval(std::string("(function () { var p = new Primitive(); p.visible = !") + row.value +
						  "; p.visible = " + row.value + "; return p.visible; })()"),
				row.expected)
				<< row.value;
	}

	TEST_F(ScriptComponents, BlowTellsWhetherThereIsRoomAndTakesItsHeldListFromAnArray)
	{
		const struct
		{
			const char* maxObjs;
			const char* heldObjs;
			const char* expected;
		} rows[] = {
			{"3", "[1, 2]", "true 1,2"},
			{"3", "[1, 2, 3]", "false 1,2,3"},
			{"0", "[]", "false "},
			{"'many'", "[4, 'x', 7]", "false 4,0,7"},
			// Reading stops at the first missing index; anything but an array empties the list.
			{"9", "[5, , 9]", "true 5"},
			{"9", "12", "true "},
		};
		for (const auto& row : rows)
			EXPECT_EQ(Eval(std::string("(function () { var b = new Blow(); b.heldObjs = [8]; b.maxObjs = ") + row.maxObjs +
						  "; b.heldObjs = " + row.heldObjs + "; b.empty = !b.empty; return b.empty + ' ' + b.heldObjs.join(); })()"),
				row.expected)
				<< row.heldObjs;
		EXPECT_EQ(Eval("(function () { var b = new Blow(); b.heldObjs = [1]; var l = b.heldObjs; l.push(2);"
			" return (l !== b.heldObjs) + ' ' + b.heldObjs.join(); })()"),
			"true 1");
	}

	TEST_F(ScriptObjects, AffectedPairsAreIndependentCopies)
	{
		const Object crate = MakeCrate();
		EXPECT_EQ(Eval("(function () { var o = new ObjectFromName('Crate', 0); var a = o.GetAffected('Probe')[0];"
			" a.first = 99; var b = o.GetAffected('Probe')[0]; return (a !== b) + ' ' + b.first; })()"),
			"true " + std::to_string(crate.id));
		EXPECT_EQ(crate.object->GetHandlerTargets("Probe").size(), 1u);
	}

	TEST_F(ScriptObjects, GetComponentOnTheDummyAnswersTheTypesPrototype)
	{
		EXPECT_EQ(Eval("(function () { var o = new ObjectFromName('Nobody', 0); var t = o.GetComponent('Transform');"
			" return (t instanceof Transform) + ' ' + o.GetComponent('Nonsense'); })()"),
			"true undefined");
	}

	TEST_F(ScriptComponents, VectorPropertiesReadAsNewCopiesAndWriteByValue)
	{
		Object crate = MakeCrate();
		crate.object->AddComponent(Origin::TypeId());
		crate.object->AddComponent(Camera::TypeId());
		Run("var o = new ObjectFromName('Crate', 0); var origin = o.GetComponent('Origin'), camera = o.GetComponent('Camera');"
			"var v = new Vec3(); v.Set(1, 2, 3); origin.pos = v; camera.dir = v; v.x = 9;"
			"var read = origin.pos; read.y = 7;");
		EXPECT_EQ(crate.object->GetComponent<Origin>()->GetPosition(), Tuple3f(1, 2, 3));
		EXPECT_EQ(crate.object->GetComponent<Camera>()->GetDirection(), Tuple3f(1, 2, 3));
		EXPECT_EQ(Eval("(origin.pos !== origin.pos) + ' ' + origin.pos.y + ' ' + camera.dir.x"), "true 2 1");
	}

	TEST_F(ScriptComponents, TransformRotationIsInDegreesAndAFreeBodyReadsStill)
	{
		Object crate = MakeCrate();
		Run("var t = new ObjectFromName('Crate', 0).GetComponent('Transform'); var r = new Vec3(); r.Set(0, 90, 0); t.rot = r;");
		EXPECT_NEAR(crate.object->GetComponent<Transform>()->GetWorldRotationVector().y, 1.5707963f, 1e-5f);
		EXPECT_EQ(Eval("Math.round(t.rot.y * 1000)"), "90000");
		EXPECT_EQ(Eval("(function () { var b = new Body(); var v = b.Velocity; return v.x + ',' + v.y + ',' + v.z; })()"), "0,0,0");
	}

	TEST_F(ScriptComponents, ACollectedWrapperLeavesItsComponentAlive)
	{
		Object crate = MakeCrate();
		crate.object->GetComponent<Transform>()->SetScale(Tuple3f(4, 4, 4));
		Run("for (var i = 0; i < 10; ++i) new ObjectFromName('Crate', 0).GetComponent('Transform');");
		Collect();
		ASSERT_NE(crate.object->GetComponent<Transform>(), nullptr);
		EXPECT_EQ(crate.object->GetComponent<Transform>()->GetScale(), Tuple3f(4, 4, 4));
		EXPECT_EQ(Eval("new ObjectFromName('Crate', 0).GetComponent('Transform').scale.z"), "4");
	}

	// Component wrappers are shared by every page: what one page left on one must not outlive the page.
	TEST_F(ScriptComponents, WhatAnEndedPageLeftOnAComponentIsAScriptErrorInTheNextPage)
	{
		MakeCrate();
		Run("var t = new ObjectFromName('Crate', 0).GetComponent('Transform'); t.node = document.body; t.style = t.node.style;"
			" t.doc = document; t.make = function () { return document.createElement('p'); }; t.later = setTimeout;");
		folder.WriteFile("next.html", "<body><p id='here'>kept</p></body>");
		page->LoadFile(folder.Path() + "next.html");
		HTMLEngine::Update();
		ASSERT_EQ(Eval("typeof new ObjectFromName('Crate', 0).GetComponent('Transform').node"), "object");
		const char* calls[] = {"t.node.id", "t.node.firstChild", "t.node.appendChild(document.createElement('p'))",
			"document.body.appendChild(t.node)", "t.style.color = 'red'", "t.doc.getElementById('here')", "t.make()",
			"t.later('0', 0)"};
		for (const char* call : calls)
		{
			tw::Diagnostics::Flush();
			::testing::internal::CaptureStderr();
			const std::string statement = "var t = new ObjectFromName('Crate', 0).GetComponent('Transform'); record(" + std::string(call) + ");";
			const bool recorded = !Run(statement).empty() || !Run(statement).empty();
			tw::Diagnostics::Flush();
			const std::string printed = ::testing::internal::GetCapturedStderr();
			EXPECT_FALSE(recorded) << call;
			// Printed once, then counted.
			EXPECT_NE(printed.find("Error: "), std::string::npos) << call << ": " << printed;
			EXPECT_NE(printed.find("[repeated 1 more times]"), std::string::npos) << call << ": " << printed;
			EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << call << ": " << printed;
		}
		EXPECT_EQ(Eval("document.body.textContent"), "kept");
	}
}
