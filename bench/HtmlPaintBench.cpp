// The HTML engine on a heads-up display page at 1024x768 (two bars, five objective rows): one
// style change laid out and painted, against litehtml's own parse, render and draw of the same
// markup into cairo; and a page's first load.
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "HTMLEngine/PageContainer.h"
#include "HTMLEngine/PageLayout.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace
{
	constexpr int kWidth = 1024;
	constexpr int kHeight = 768;

	std::string HudMarkup()
	{
		std::string rows;
		for (int i = 0; i < 5; ++i)
			rows += "<div class='row'><span class='name'>Objective " + std::to_string(i + 1) +
				"</span><span class='count'>" + std::to_string(i) + " / 5</span></div>";
		return "<html><head><style>"
			   "body { margin: 0; font-family: 'DejaVu Sans'; color: #ffffff; }"
			   ".bar { position: absolute; left: 20px; width: 300px; height: 24px; border: 2px solid #202020;"
			   " border-radius: 6px; background-color: rgba(0, 0, 0, 0.4); }"
			   ".fill { height: 24px; border-radius: 4px; }"
			   "#health { top: 20px; } #health .fill { background-color: #d03030; width: 80%; }"
			   "#lungs { top: 56px; } #lungs .fill { background-color: #3080d0; width: 60%; }"
			   "#objectives { position: absolute; right: 20px; top: 20px; width: 260px; padding: 8px;"
			   " background-color: rgba(0, 0, 0, 0.5); border-radius: 8px; }"
			   ".row { height: 26px; font-size: 16px; } .count { float: right; }"
			   "</style></head><body>"
			   "<div class='bar' id='health'><div class='fill' id='healthFill'></div></div>"
			   "<div class='bar' id='lungs'><div class='fill'></div></div>"
			   "<div id='objectives'>" + rows + "</div></body></html>";
	}

	std::string HudFile()
	{
		const std::string path = "/tmp/tw-html-bench-hud.html";
		std::ofstream(path) << HudMarkup();
		return path;
	}

	void BM_StyleChangeLayoutAndPaint(benchmark::State& state)
	{
		HTMLEngine::Initialize(nullptr);
		HTMLView* view = HTMLEngine::CreateView(kWidth, kHeight, true, false);
		view->LoadFile(HudFile());
		HTMLEngine::Update();
		int percent = 0;
		for (auto _ : state)
		{
			percent = (percent + 7) % 100;
			view->ExecuteJavascript("document.getElementById('healthFill').style.width = '" + std::to_string(percent) + "%';");
			HTMLEngine::Update();
			benchmark::DoNotOptimize(view->GetPixels());
		}
		view->Destroy();
		HTMLEngine::Destroy();
	}
	BENCHMARK(BM_StyleChangeLayoutAndPaint)->Unit(benchmark::kMillisecond);

	// The reference: litehtml alone parsing, rendering and drawing the markup into cairo.
	void BM_LitehtmlParseRenderDraw(benchmark::State& state)
	{
		const std::string markup = HudMarkup();
		litehtml::context context;
		context.load_master_stylesheet(PageLayout::MasterStylesheet());
		PageContainer container("");
		container.SetViewSize(kWidth, kHeight);
		cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
		for (auto _ : state)
		{
			auto page = litehtml::document::createFromString(markup.c_str(), &container, &context);
			page->render(kWidth);
			cairo_t* cr = cairo_create(surface);
			const litehtml::position clip(0, 0, kWidth, kHeight);
			page->draw(reinterpret_cast<litehtml::uint_ptr>(cr), 0, 0, &clip);
			cairo_destroy(cr);
			benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
		}
		cairo_surface_destroy(surface);
	}
	BENCHMARK(BM_LitehtmlParseRenderDraw)->Unit(benchmark::kMillisecond);

	void BM_FirstLoad(benchmark::State& state)
	{
		HTMLEngine::Initialize(nullptr);
		const std::string path = HudFile();
		for (auto _ : state)
		{
			HTMLView* view = HTMLEngine::CreateView(kWidth, kHeight, true, false);
			view->LoadFile(path);
			HTMLEngine::Update();
			benchmark::DoNotOptimize(view->GetPixels());
			view->Destroy();
		}
		HTMLEngine::Destroy();
	}
	BENCHMARK(BM_FirstLoad)->Unit(benchmark::kMillisecond);
}
