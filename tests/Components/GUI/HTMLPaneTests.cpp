#include "Components/GUI/HTMLPane.h"

#include "QuietComponent.h"
#include "Systems/GUI/GuiWorld.h"

#include <gmock/gmock.h>

namespace gui_tests
{
	struct __UploadCounterName
	{
		static constexpr const char* name = "UploadCounter";
	};

	// Counts the uploads its object receives, as a PixelBuffer would take them.
	class UploadCounter : public test::QuietComponent<UploadCounter, __UploadCounterName>
	{
	public:
		bool Load(Serializer&) override
		{
			owner->RegisterHandler("SetTextureData", &UploadCounter::OnSetTextureData);
			return true;
		}
		void OnSetTextureData(Message::Reader reader)
		{
			reader.Read<const std::uint8_t*>();
			rectangle = reader.Read<Tuple4<int>>();
			++uploads;
		}
		int uploads = 0;
		Tuple4<int> rectangle;
	};

	class HTMLPaneTest : public GuiWorld
	{
	protected:
		void SetUp() override
		{
			GuiWorld::SetUp();
			UploadCounter::Register();
		}
	};

	TEST_F(HTMLPaneTest, StartupTypeUrlInAnyCaseLoadsAUrlAndAnyOtherWordAFile)
	{
		const struct
		{
			const char* type;
			bool file;
			const char* saved;
		} types[] = {{"URL", false, "URL"}, {"url", false, "URL"}, {"uRl", false, "URL"}, {"FILE", true, "FILE"}, {"page", true, "FILE"}};
		for (const auto& type : types)
		{
			HTMLPane* pane = MakeObject(PaneXml("0 0 8 8", "file:///nowhere.html", type.type))->GetComponent<HTMLPane>();
			EXPECT_EQ(pane->IsFile(), type.file) << type.type;
			EXPECT_THAT(test::SavedText(*pane), ::testing::HasSubstr(std::string(">") + type.saved + "<")) << type.type;
		}
	}

	TEST_F(HTMLPaneTest, ALeadingDotSlashIsNeitherLoadedNorSaved)
	{
		engine->userFolder.WriteFile("Strip.html", "<body></body>");
		HTMLPane* pane = StartedObject(test::TransformXml("0 0 0") + PaneXml("0 0 8 8", "./Strip.html"))->GetComponent<HTMLPane>();
		EXPECT_EQ(pane->GetView()->GetLoadedFile(), engine->userFolder.Path() + "Strip.html");
		EXPECT_EQ(pane->GetStartupLoc(), "Strip.html");
		EXPECT_THAT(test::SavedText(*pane), ::testing::Not(::testing::HasSubstr("./")));
	}

	// A saved level must load its pages on another machine, or after the game's folder moves.
	TEST_F(HTMLPaneTest, APaneLoadsTheFileFoundAndSavesTheNameItWasGiven)
	{
		engine->userFolder.WriteFile("HUDElements/Found.html", "<body></body>");
		for (const std::string name : {"Found.html", "Missing.html"})
		{
			HTMLPane* pane = StartedObject(test::TransformXml("0 0 0") + PaneXml("0 0 8 8", name))->GetComponent<HTMLPane>();
			EXPECT_EQ(pane->GetPageLocation(), name == "Found.html" ? engine->userFolder.Path() + "HUDElements/Found.html" : name);
			EXPECT_THAT(test::SavedText(*pane), ::testing::HasSubstr(">" + name + "<"));
		}
	}

	TEST_F(HTMLPaneTest, WithoutHandlesInputTheSelectionStays)
	{
		EXPECT_TRUE(MakeObject(PaneXml("0 0 8 8", "x.html"))->GetComponent<HTMLPane>()->HandlesInput());
		EXPECT_FALSE(MakeObject(PaneXml("0 0 8 8", "x.html", "FILE", "false"))->GetComponent<HTMLPane>()->HandlesInput());
	}

	TEST_F(HTMLPaneTest, OnlyADirtyViewOrForceRedrawUploadsTheWholeView)
	{
		Composition* object = StartedObject(test::TransformXml("0 0 0") + PaneXml("3 4 40 30", Page("Up.html", "<body></body>")) +
			test::ComponentXml("UploadCounter", ""));
		UploadCounter* counter = object->GetComponent<UploadCounter>();
		for (int frame = 0; frame < 3; ++frame)
			gui->Update();
		const int painted = counter->uploads;
		EXPECT_GE(painted, 1) << "the page's paint";
		EXPECT_EQ(counter->rectangle, Tuple4<int>(3, 4, 40, 30));
		gui->Update();
		EXPECT_EQ(counter->uploads, painted) << "a clean view sends nothing";
		object->HandleMessage(Message("ForceRedraw"));
		EXPECT_EQ(counter->uploads, painted + 1);
	}

	TEST_F(HTMLPaneTest, StatementsRunInTheOrderTheyArrive)
	{
		HTMLPane* pane = StartedPane(50, 50, 20, 20, "<body></body>");
		Recorded().clear();
		pane->owner->HandleMessage(Message("CallJSFunction").PushString("var order = 'first'; void(0);"));
		pane->owner->HandleMessage(Message("CallJSFunction").PushString("record(order + ' second'); void(0);"));
		EXPECT_THAT(Recorded(), ::testing::ElementsAre("first second"));
	}

	TEST_F(HTMLPaneTest, ACloneHasNoViewAndLeavesTheOriginalsAlone)
	{
		HTMLPane* pane = StartedPane(50, 50, 20, 20, "<body></body>");
		Component* clone = pane->Clone();
		EXPECT_EQ(static_cast<HTMLPane*>(clone)->GetView(), nullptr);
		EXPECT_EQ(static_cast<HTMLPane*>(clone)->GetDimensions(), pane->GetDimensions());
		clone->Detach();
		delete clone;
		EXPECT_EQ(gui->GetPanes().size(), 1u);
		EXPECT_THAT(Run(*pane, "record('alive');"), ::testing::ElementsAre("alive"));
	}

	TEST_F(HTMLPaneTest, StartedAgainAPaneKeepsItsPageAndIsListedOnce)
	{
		HTMLPane* pane = StartedPane(50, 50, 20, 20, "<body></body>");
		const HTMLView* view = pane->GetView();
		pane->Start();
		EXPECT_EQ(pane->GetView(), view);
		pane->owner->Destroy();
		ProcessObjectChanges();
		EXPECT_TRUE(gui->GetPanes().empty());
	}

	TEST_F(HTMLPaneTest, AViewTooLargeForAnyTextureIsHeldAtTheLargestSide)
	{
		const HTMLPane* pane = MakeObject(PaneXml("0 0 2000000 -3", "x.html"))->GetComponent<HTMLPane>();
		EXPECT_EQ(pane->GetDimensions(), Tuple4<int>(0, 0, HTMLPane::kLargestSide, 0));
	}
}
