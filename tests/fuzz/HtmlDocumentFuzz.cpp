// Any bytes as a page with a style sheet: parsed into the DOM, laid out at 320x240 and painted;
// then its scripts run live with the DOM bindings (a short watchdog budget stops endless ones), an
// event is dispatched and its timers run, and it is laid out again after what they changed.
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HtmlDocument.h"
#include "HTMLEngine/HtmlParser.h"
#include "HTMLEngine/PageLayout.h"
#include "HTMLEngine/PageScript.h"

#include <cairo.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
	// The first line is the style sheet, the rest the body.
	const std::string bytes(reinterpret_cast<const char*>(data), size);
	const std::size_t split = std::min(bytes.find('\n'), bytes.size());
	const std::string page = "<html><head><style>" + bytes.substr(0, split) + "</style></head><body>" +
		bytes.substr(split) + "</body></html>";
	HtmlDocument document;
	std::string error;
	if (!HtmlParser::ParsePage(page, document, error))
		return 0;
	PageLayout layout("");
	layout.Build(document, 320, 240);
	cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 320, 240);
	cairo_t* cr = cairo_create(surface);
	layout.Paint(cr, 0, 320, 240);
	cairo_destroy(cr);
	cairo_surface_destroy(surface);
	layout.NodeAt(10, 10);

	static const bool budgetSet = (HTMLEngine::SetScriptBudget(std::chrono::milliseconds(50)), true);
	(void)budgetSet;
	PageScript script(document, "fuzz.html", "");
	script.RunPageScripts();
	script.Dispatch(document.Body(), "click", PageScript::EventDetails{});
	script.RunTimers(1000);
	document.FreeCollected();
	layout.Build(document, 320, 240);
	return 0;
}
