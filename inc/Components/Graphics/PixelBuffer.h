// PixelBuffer: a texture whose pixels the game writes at run time (an HTML pane renders its page
// into one with "SetTextureData") and of which it shows a chosen rectangle. The frame binds it in
// place of the object's diffuse texture, and overlay planes show it.
#pragma once

#include "Components/Graphics/Texture.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>

struct __PixelBufferName
{
	static constexpr const char* name = "PixelBuffer";
};

class PixelBuffer : public ComponentBase<PixelBuffer, __PixelBufferName, Texture>
{
public:
	// The pixel data that "SetTextureData" carries: 4 bytes a pixel, rows pitch bytes apart.
	using PixelData = const std::uint8_t*;

	// Listens to "SetDisplayBounds" and "SetTextureData"; reads the buffer size, the display
	// bounds and the two format names.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Makes the texture (clamped at its edges) unless a resize made it already, then joins the
	// texture list.
	bool Start() override;
	// Binds the texture to unit 0 with a texture matrix that maps the unit square onto the display
	// bounds. Always true.
	bool Update() override;
	void Release() override {}
	// Deletes the texture and leaves the texture list.
	void Detach() override;
	// Makes the texture again after a device loss (repeating at its edges) and sends the owner
	// "ForceRedraw", so that the producer writes the whole content again.
	void Reload() override;
	// A texture of the new size in place of the old one; ends with "ForceRedraw" as Reload does.
	void Resize(const Tuple2<int>& dimensions);

	// Writes the rectangle (x, y, width, height) of the buffer from data, whose row y starts at
	// data + y * pitch: the data covers the whole buffer. The part outside the buffer is dropped.
	void WritePixels(PixelData data, Tuple4<int> rectangle, unsigned pitch);

	unsigned GetGLTexture() const { return glTexture; }
	const Tuple2<int>& GetBufferDimensions() const { return bufferDimensions; }
	const Tuple4<int>& GetDisplayBounds() const { return displayBounds; }
	unsigned GetExternalFormat() const { return externalFormat; }
	unsigned GetInternalFormat() const { return internalFormat; }

private:
	void OnSetDisplayBounds(Message::Reader reader);
	void OnSetTextureData(Message::Reader reader);
	void CreateTexture(int wrap);
	void DeleteTexture();

	unsigned glTexture = 0;
	Tuple2<int> bufferDimensions;
	Tuple4<int> displayBounds;
	std::string externalFormatText;
	std::string internalFormatText;
	unsigned externalFormat = 0;
	unsigned internalFormat = 0;
	// Whether the texture got its storage (valid sizes and formats).
	bool hasStorage = false;
};
