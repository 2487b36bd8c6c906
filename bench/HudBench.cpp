// The heads-up display's frame at 1024x768, as the game runs it: the player's health changes, the
// display calls the page ("SetNewHealth"), the page is laid out and painted again and the pane
// uploads it into its PixelBuffer. Against the same page repainted by litehtml directly into cairo
// plus one glTexSubImage2D of the same size. Needs an X display (xvfb-run).
#include "Archetype.h"
#include "Components/GUI/HTMLPane.h"
#include "Composition.h"
#include "Engine.h"
#include "HTMLEngine/PageContainer.h"
#include "HTMLEngine/PageLayout.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Window.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace
{
	constexpr int kWidth = 1024;
	constexpr int kHeight = 768;

	const std::filesystem::path kData = std::filesystem::path(__FILE__).parent_path() / ".." / "Data";

	std::unique_ptr<Engine> MakeEngine()
	{
		const std::filesystem::path user = std::filesystem::temp_directory_path() / "HudBenchUser";
		std::filesystem::create_directories(user);
		std::ofstream(user / "Tumblewreck.cfg") << "<Config><Window><Width>" << kWidth << "</Width><Height>" << kHeight
												<< "</Height><Fullscreen>false</Fullscreen></Window><Graphics/></Config>";
		auto engine = std::make_unique<Engine>(kData.string() + "/", user.string() + "/", "Tumblewreck.cfg");
		engine->AddSystem(new Window());
		engine->AddSystem(new Graphics());
		engine->AddSystem(new GUI());
		return engine;
	}

	// An engine with the shipped display started beside the "Player" and run through its first
	// frames; started is false (and the benchmark skipped) when its archetype does not load.
	struct HudScene
	{
		explicit HudScene(benchmark::State& state) : engine(MakeEngine()), gui(engine->GetSystem<GUI>()), player(CreateObject("Player"))
		{
			const Object hud = CreateObjectFromArchetype("PlayerHudObj.xml");
			if (hud.IsDummy() || hud.object->GetComponent<HTMLPane>() == nullptr)
			{
				state.SkipWithError("the heads-up display's archetype PlayerHudObj.xml did not load");
				return;
			}
			hud.object->Start();
			for (int frame = 0; frame < 3; ++frame)
				gui->Update();
			started = true;
		}
		~HudScene() { DestroyAllObjects(); }

		// The player tells the display this, and the display's frame follows.
		void Frame(const Message& message)
		{
			player.object->HandleMessage(message);
			gui->Update();
			glFinish();
		}

		std::unique_ptr<Engine> engine;
		GUI* gui;
		Object player;
		bool started = false;
	};

	void BM_HealthChangeRepaintAndUpload(benchmark::State& state)
	{
		HudScene scene(state);
		if (!scene.started)
			return;
		int percent = 0;
		for (auto _ : state)
		{
			percent = (percent + 7) % 100;
			scene.Frame(Message("HealthPercentage").PushFloat(static_cast<float>(percent) / 100.0f));
		}
	}
	BENCHMARK(BM_HealthChangeRepaintAndUpload)->Unit(benchmark::kMillisecond);

	// A frame in which nothing on the display changes, as in most frames of a level: the lungs
	// still report their unchanged share every frame, the page is called and must find nothing to
	// paint. At most a millisecond.
	void BM_UnchangedHudFrame(benchmark::State& state)
	{
		HudScene scene(state);
		if (!scene.started)
			return;
		for (auto _ : state)
			scene.Frame(Message("LungsPercentage").PushFloat(0.5f));
	}
	BENCHMARK(BM_UnchangedHudFrame)->Unit(benchmark::kMicrosecond);

	// The page as it stands after a health change, without its script: the bar's width written in.
	std::string StaticHudMarkup(int percent)
	{
		std::ifstream page(kData / "HUDElements" / "Hud.html");
		std::ifstream style(kData / "HUDElements" / "Hud.css");
		std::stringstream pageText, styleText;
		pageText << page.rdbuf();
		styleText << style.rdbuf();
		std::string markup = pageText.str();
		markup.replace(markup.find("<link"), markup.find('>', markup.find("<link")) - markup.find("<link") + 1,
			"<style>" + styleText.str() + "#health { top: 24px; width: 320px; height: 24px; } #healthFill { width: " +
				std::to_string(percent * 32 / 10) + "px; }</style>");
		markup.erase(markup.find("<script>"), markup.find("</script>") + 9 - markup.find("<script>"));
		return markup;
	}

	void BM_LitehtmlRepaintAndTexSubImage(benchmark::State& state)
	{
		std::unique_ptr<Engine> engine = MakeEngine();
		litehtml::context context;
		context.load_master_stylesheet(PageLayout::MasterStylesheet());
		PageContainer container((kData / "HUDElements").string() + "/");
		container.SetViewSize(kWidth, kHeight);
		cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
		GLuint texture = 0;
		glGenTextures(1, &texture);
		glBindTexture(GL_TEXTURE_2D, texture);
		glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1024, 1024, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
		int percent = 0;
		for (auto _ : state)
		{
			percent = (percent + 7) % 100;
			const std::string markup = StaticHudMarkup(percent);
			auto page = litehtml::document::createFromString(markup.c_str(), &container, &context);
			page->render(kWidth);
			cairo_t* cr = cairo_create(surface);
			cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
			cairo_paint(cr);
			cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
			const litehtml::position clip(0, 0, kWidth, kHeight);
			page->draw(reinterpret_cast<litehtml::uint_ptr>(cr), 0, 0, &clip);
			cairo_destroy(cr);
			cairo_surface_flush(surface);
			glBindTexture(GL_TEXTURE_2D, texture);
			glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, cairo_image_surface_get_data(surface));
			glFinish();
		}
		glDeleteTextures(1, &texture);
		cairo_surface_destroy(surface);
	}
	BENCHMARK(BM_LitehtmlRepaintAndTexSubImage)->Unit(benchmark::kMillisecond);
}
