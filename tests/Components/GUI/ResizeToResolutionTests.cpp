#include "Components/GUI/ResizeToResolution.h"

#include "Components/Graphics/OrthoPlane.h"
#include "Components/Graphics/PixelBuffer.h"
#include "Systems/GUI/GuiWorld.h"

namespace gui_tests
{
	inline std::string ResizeXml(bool changeWidth, bool changeHeight, bool keep4To3, float width, float height)
	{
		const auto flag = [](bool value) { return std::string("<bool>") + (value ? "true" : "false") + "</bool>"; };
		return test::ComponentXml("ResizeToResolution", flag(changeWidth) + flag(changeHeight) + flag(keep4To3) + "<float>" +
			std::to_string(width) + "</float><float>" + std::to_string(height) + "</float>");
	}

	using ResizeToResolutionTest = GuiWorld;

	TEST_F(ResizeToResolutionTest, AFourThirdsPaneOnAWideWindowFillsItsHeight)
	{
		// The buffer starts before the pane, whose start asks for the resize, as in the game's files.
		Composition* object = StartedObject(test::TransformXml("0 0 0") + PlaneXml("0 0 100 100") + BufferXml() +
			PaneXml("0 0 100 100", Page("Fit.html", "<body></body>")) + ResizeXml(false, false, true, 1.0f, 1.0f));
		const HTMLPane* pane = object->GetComponent<HTMLPane>();
		EXPECT_EQ(pane->GetDimensions(), Tuple4<int>(0, 0, 960, 720));
		EXPECT_EQ(pane->GetView()->GetWidth(), 960);
		EXPECT_EQ(pane->GetView()->GetHeight(), 720);
		EXPECT_EQ(object->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(480, 360, 0));
		EXPECT_EQ(object->GetComponent<Transform>()->GetScale(), Tuple3f(960, 720, 1));
		EXPECT_EQ(object->GetComponent<OrthoPlane>()->GetBounds(), Tuple4<int>(0, 0, 960, 720));
		EXPECT_EQ(object->GetComponent<PixelBuffer>()->GetBufferDimensions(), Tuple2<int>(1024, 1024));
		EXPECT_EQ(object->GetComponent<PixelBuffer>()->GetDisplayBounds(), Tuple4<int>(0, 0, 960, 720));
	}

	TEST_F(ResizeToResolutionTest, TheFlagsChooseWindowOrPaneExtentAsTheBase)
	{
		const struct
		{
			bool changeWidth, changeHeight, keep4To3;
			float width, height;
			Tuple2<int> window, paneExtent, expected;
		} cases[] = {
			{false, false, false, 0.5f, 0.25f, {1024, 768}, {10, 10}, {512, 192}},
			{true, true, false, 0.5f, 0.25f, {1024, 768}, {10, 10}, {512, 192}},
			{true, false, false, 1.0f, 1.0f, {1024, 768}, {300, 200}, {300, 768}},
			{false, true, false, 1.0f, 0.5f, {1024, 768}, {300, 200}, {1024, 100}},
			{false, false, true, 1.0f, 1.0f, {1280, 720}, {0, 0}, {960, 720}},
			{false, false, false, 0.0f, 1.0f, {1024, 768}, {0, 0}, {0, 768}},
		};
		for (const auto& c : cases)
		{
			const ResizeToResolution* fit = MakeObject(ResizeXml(c.changeWidth, c.changeHeight, c.keep4To3, c.width, c.height))
												->GetComponent<ResizeToResolution>();
			EXPECT_EQ(fit->FittedSize(c.window, c.paneExtent), c.expected)
				<< c.changeWidth << c.changeHeight << c.keep4To3 << " " << c.width << " x " << c.height;
		}
	}

	TEST_F(ResizeToResolutionTest, AnObjectLackingAPartKeepsItsPane)
	{
		for (const std::string& parts : {PlaneXml("0 0 50 50"), BufferXml()})
		{
			const HTMLPane* pane = StartedObject(test::TransformXml("0 0 0") + parts + PaneXml("0 0 50 40", Page("Keep.html", "<body></body>")) +
				ResizeXml(false, false, false, 1.0f, 1.0f))->GetComponent<HTMLPane>();
			EXPECT_EQ(pane->GetDimensions(), Tuple4<int>(0, 0, 50, 40));
		}
	}
}
