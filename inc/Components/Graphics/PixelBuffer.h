// PixelBuffer: a texture whose pixels the game writes at run time (an HTML pane's canvas), kept in
// an OpenGL pixel buffer object. Only the class side exists so far: fields, defaults and copying.
#pragma once

#include "Components/Graphics/Texture.h"
#include "Utilities/Tuple.h"

#include <string>

struct __PixelBufferName
{
	static constexpr const char* name = "PixelBuffer";
};

class PixelBuffer : public ComponentBase<PixelBuffer, __PixelBufferName, Texture>
{
public:
	const Tuple2<int>& GetBufferDimensions() const { return bufferDimensions; }

private:
	unsigned glTexture = 0;
	unsigned glBuffer = 0;
	Tuple2<int> bufferDimensions;
	Tuple4<int> displayBounds;
	std::string externalFormatText;
	std::string internalFormatText;
	unsigned externalFormat = 0;
	unsigned internalFormat = 0;
};
