#include "EngineTestSupport.h"
#include "HTMLEngine/PageShot.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Window.h"

#include <GL/glew.h>

namespace
{
	using namespace test;

	constexpr int kWidth = 320;
	constexpr int kHeight = 240;

	// What the loading view's texture held while the level's objects started.
	struct LoadingViewShot
	{
		int width = 0;
		int height = 0;
		std::vector<unsigned char> bgra;
	};

	LoadingViewShot& Taken()
	{
		static LoadingViewShot shot;
		return shot;
	}

	struct __LoadingShotName { static constexpr const char* name = "LoadingShot"; static constexpr const char* field = "value"; };
	// Reads the loading view's texture back when its object starts, while the level loads.
	class LoadingShot : public FieldComponent<LoadingShot, __LoadingShotName, int>
	{
	public:
		bool Start() override
		{
			LoadingView* view = Engine::Instance()->GetLoadingView();
			if (view == nullptr || view->GetTexture() == 0)
				return true;
			view->Draw();
			LoadingViewShot& shot = Taken();
			shot.width = static_cast<int>(view->GetWidth());
			shot.height = static_cast<int>(view->GetHeight());
			shot.bgra.assign(static_cast<std::size_t>(shot.width) * shot.height * 4, 0);
			glBindTexture(GL_TEXTURE_2D, view->GetTexture());
			glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, shot.bgra.data());
			glBindTexture(GL_TEXTURE_2D, 0);
			return true;
		}
	};

	class LoadingViewEndToEnd : public EngineTest
	{
	};

	TEST_F(LoadingViewEndToEnd, AnEngineLoadingALevelShowsTheLoadingPage)
	{
		if (!std::getenv("DISPLAY"))
			GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
		const std::string data = TW_TEST_DATA_DIR "../../Data/";
		WriteConfig("<Config><FirstLevel>Shot</FirstLevel><Window><Width>" + std::to_string(kWidth) + "</Width><Height>" +
			std::to_string(kHeight) + "</Height><Fullscreen>false</Fullscreen></Window><Graphics/></Config>");
		userFolder.WriteFile("Levels/Shot", "<Level><string>Shot</string><string>Shot</string><ObjectGroup><Object><string>Camera"
											"</string><Component><string>LoadingShot</string><int>0</int></Component></Object>"
											"</ObjectGroup></Level>");
		MakeEngine(data);
		LoadingShot::Register();
		engine->AddSystem(new Window());
		engine->AddSystem(new Graphics());
		Taken() = LoadingViewShot{};
		auto* director = new Director;
		director->script[1] = [this] { engine->RequestState(Engine::kQuit); };
		engine->AddSystem(director);
		engine->Run();

		const LoadingViewShot& shot = Taken();
		ASSERT_EQ(shot.width, kWidth) << "the level's object started while the loading view was up";
		ASSERT_EQ(shot.height, kHeight);
		const std::vector<uint8_t> expected = RenderPage(data + "HUDElements/LoadingScreen.html", kWidth, kHeight, true);
		ASSERT_EQ(expected.size(), shot.bgra.size());
		double error = 0.0;
		std::size_t painted = 0;
		for (std::size_t i = 0; i < expected.size(); ++i)
			error += std::abs(static_cast<int>(shot.bgra[i]) - static_cast<int>(expected[i]));
		for (std::size_t i = 0; i < expected.size(); i += 4)
			painted += shot.bgra[i] != 0 || shot.bgra[i + 1] != 0 || shot.bgra[i + 2] != 0 || shot.bgra[i + 3] != 0 ? 1 : 0;
		EXPECT_LE(error / static_cast<double>(expected.size()), 2.0) << "mean error per channel against HtmlShot's rendering";
		EXPECT_GE(painted * 100, expected.size() / 4) << "at least 1% of the pixels differ from the empty canvas";
	}
}
