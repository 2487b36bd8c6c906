#include "Components/GUI/HudObjective.h"
#include "Components/GUI/PlayerHud.h"
#include "Components/GUI/VexalHud.h"
#include "Composition.h"
#include "Object.h"
#include "QuietComponent.h"
#include "Utilities/ScriptPage.h"

#include <gtest/gtest.h>

namespace
{
	struct __ReconstructorProbeName
	{
		static constexpr const char* name = "ReconstructorProbe";
	};

	// Counts the debug messages the display's buttons send.
	class ReconstructorProbe : public test::QuietComponent<ReconstructorProbe, __ReconstructorProbeName>
	{
	public:
		bool Start() override
		{
			for (const char* name : {"ToggleDebugDraw", "IncDrawLevel", "DecDrawLevel", "RestoreNextObject"})
				owner->RegisterHandler(name, &ReconstructorProbe::OnHeard);
			return true;
		}
		void OnHeard(Message::Reader reader) { heard.push_back(reader.name); }
		static inline std::vector<std::string> heard;
	};

	// The display object "Hud" with the three bound components.
	class HudBindings : public test::ScriptPageTest
	{
	protected:
		void SetUp() override
		{
			DestroyAllObjects();
			PlayerHud::Register();
			HudObjective::Register();
			VexalHud::Register();
			ReconstructorProbe::Register();
			ReconstructorProbe::heard.clear();
			ScriptPageTest::SetUp();
			const Object hud = CreateObject("Hud");
			for (unsigned typeId : {PlayerHud::TypeId(), HudObjective::TypeId(), VexalHud::TypeId()})
				hud.object->AddComponent(typeId);
			display = hud.object->GetComponent<PlayerHud>();
			Run("var hud = new ObjectFromName('Hud', 0);");
		}
		void TearDown() override
		{
			ScriptPageTest::TearDown();
			DestroyAllObjects();
		}

		PlayerHud* display = nullptr;
	};
}

TEST_F(HudBindings, EveryReadOfASizeIsAFreshCopy)
{
	EXPECT_EQ(Eval("(function(){ var h = hud.GetComponent('PlayerHud'); var a = h.BaseRes_, b = h.BaseRes_; a.x = 7;"
				   " return (a !== b) + ' ' + b.x + ' ' + h.BaseRes_.x; })()"),
		"true 0 0");
	EXPECT_EQ(display->GetBaseRes(), Tuple2f(0, 0));
}

TEST_F(HudBindings, PercentagesTakeNumbersAndAnythingElseAsZero)
{
	Run("hud.GetComponent('PlayerHud').HealthPercentage_ = 0.5; hud.GetComponent('PlayerHud').LungsPercentage_ = 0.75;");
	EXPECT_EQ(display->HealthPercentage_, 0.5f);
	EXPECT_EQ(display->LungsPercentage_, 0.75f);
	Run("hud.GetComponent('PlayerHud').HealthPercentage_ = 'full';");
	EXPECT_EQ(display->HealthPercentage_, 0.0f);
}

TEST_F(HudBindings, OneComponentHasOneWrapperAndAScriptMadeOneHasNoOwner)
{
	EXPECT_EQ(Eval("hud.GetComponent('PlayerHud') === hud.GetComponent('PlayerHud')"), "true");
	EXPECT_EQ(Eval("(function(){ var h = new PlayerHud(); h.HtmlCreated(); return h.BaseRes_.x + ' ' + h.GetCurrRes().y; })()"), "0 0");
	Collect();
}

TEST_F(HudBindings, OnlyThePlayerHudShowsMembers)
{
	const std::string count = "(function(c){ var n = 0; for (var k in c) ++n; return n; })";
	EXPECT_EQ(Eval(count + "(hud.GetComponent('HudObjective'))"), "0");
	EXPECT_EQ(Eval(count + "(hud.GetComponent('PlayerHud'))"), "11");
	EXPECT_EQ(Eval(count + "(hud.GetComponent('VexalHud'))"), "6");
}

TEST_F(HudBindings, DebugButtonsReachOnlyAReconstructor)
{
	const std::string presses = "var v = hud.GetComponent('VexalHud'); v.ToggleDebug(); v.NextDepth(); v.PreviousDepth(); v.PlaceObject();";
	Run(presses);
	EXPECT_TRUE(ReconstructorProbe::heard.empty());
	const Object reconstructor = CreateObject("Reconstructor");
	reconstructor.object->AddComponent(ReconstructorProbe::TypeId());
	reconstructor.object->Start();
	Run(presses);
	EXPECT_EQ(ReconstructorProbe::heard, (std::vector<std::string>{"ToggleDebugDraw", "IncDrawLevel", "DecDrawLevel", "RestoreNextObject"}));
}
