// Fuzzes the readers of the render components that take lists of values from level files: the
// input is parsed as a document and its values are read as a composite primitive's pieces, a point
// sprite's settings and group blends, a pixel buffer's sizes and formats and an overlay plane's
// box. Whatever the file holds, each reader takes what it can, reports the rest and never reads
// past the document.
#include "Components/Graphics/CompositePrimitive.h"
#include "Components/Graphics/OrthoPlane.h"
#include "Components/Graphics/PixelBuffer.h"
#include "Components/Graphics/PointSprite.h"
#include "Composition.h"
#include "Serializer.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace
{
	template <class T>
	void ReadAs(const std::string& document)
	{
		std::istringstream text(document);
		Serializer values;
		if (!values.LoadFromStream(text, "FuzzedComponent"))
			return;
		T component;
		component.owner = &DummyComposition::Instance();
		component.Load(values);
		Serializer written;
		component.Serialize(written);
		component.Release();
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
	static const bool formatNamesKnown = (InitTextureFormatTable(), true);
	(void)formatNamesKnown;
	const std::string document(reinterpret_cast<const char*>(data), size);
	ReadAs<CompositePrimitive>(document);
	ReadAs<PointSprite>(document);
	ReadAs<PixelBuffer>(document);
	ReadAs<OrthoPlane>(document);
	Serializer::ClearFileCache();
	ReleasePrimitiveCache();
	return 0;
}
