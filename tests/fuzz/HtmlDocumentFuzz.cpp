// Any bytes as a page with a style sheet: parsed into the DOM, laid out at 320x240 and painted;
// its scripts are compiled (not run), so that V8's parser sees what pages can hold.
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HtmlDocument.h"
#include "HTMLEngine/HtmlParser.h"
#include "HTMLEngine/PageLayout.h"

#include <cairo.h>
#include <v8-context.h>
#include <v8-exception.h>
#include <v8-isolate.h>
#include <v8-persistent-handle.h>
#include <v8-primitive.h>
#include <v8-script.h>

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

	v8::Isolate* isolate = HTMLEngine::GetIsolate();
	v8::HandleScope scope(isolate);
	// One context for every input: making one costs more than compiling the scripts.
	static v8::Global<v8::Context> shared(isolate, v8::Context::New(isolate));
	v8::Local<v8::Context> context = shared.Get(isolate);
	v8::Context::Scope entered(context);
	for (HtmlNode* script : document.FindByTag(document.Root(), "script"))
	{
		v8::TryCatch caught(isolate);
		v8::Local<v8::String> source;
		if (v8::String::NewFromUtf8(isolate, script->TextContent().c_str(), v8::NewStringType::kNormal).ToLocal(&source))
		{
			const v8::MaybeLocal<v8::Script> compiled = v8::Script::Compile(context, source);
			(void)compiled;
		}
	}
	return 0;
}
