#include "Components/Graphics/PixelBuffer.h"

#include "Components/Graphics/GLContext.h"
#include "Components/Graphics/GLEnumNames.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"

#include <GL/glew.h>

#include <algorithm>
#include <iostream>

namespace
{
	constexpr int kBytesPerPixel = 4;
}

bool PixelBuffer::Load(Serializer& serializer)
{
	owner->RegisterHandler("SetDisplayBounds", &PixelBuffer::OnSetDisplayBounds);
	owner->RegisterHandler("SetTextureData", &PixelBuffer::OnSetTextureData);
	serializer.Read(bufferDimensions).Read(displayBounds).Read(externalFormatText).Read(internalFormatText);
	externalFormat = PixelFormatFromName(externalFormatText);
	internalFormat = static_cast<unsigned>(ParseTextureFormat(internalFormatText));
	scale = Tuple2f(1.0f, 1.0f);
	const std::string where = "PixelBuffer of object \"" + owner->GetName() + "\": ";
	if (externalFormat == 0)
		std::cout << where << "unknown external format \"" << externalFormatText << "\"\n";
	if (internalFormat == 0)
		std::cout << where << "unknown internal format \"" << internalFormatText << "\"\n";
	if (bufferDimensions.x <= 0 || bufferDimensions.y <= 0)
		std::cout << where << "buffer dimensions " << bufferDimensions.x << " x " << bufferDimensions.y
				  << " hold no pixel\n";
	return true;
}

bool PixelBuffer::Serialize(Serializer& serializer)
{
	serializer.Write("buffer dimensions", bufferDimensions);
	serializer.Write("displayBounds", displayBounds);
	serializer.Write("external format", externalFormatText);
	serializer.Write("internal format", internalFormatText);
	return true;
}

bool PixelBuffer::Start()
{
	// A pane started before it may have resized the buffer already, making the texture and
	// writing its page into it: a second one would leave the first to the driver for good.
	if (glTexture == 0)
		CreateTexture(GL_CLAMP_TO_EDGE);
	return Texture::Start();
}

void PixelBuffer::CreateTexture(int wrap)
{
	glGenTextures(1, &glTexture);
	glEnable(GL_TEXTURE_2D);
	glBindTexture(GL_TEXTURE_2D, glTexture);
	GLint largest = 0;
	glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
	// Without valid sizes and formats the texture gets no storage: it samples as nothing, and
	// every write is clipped away, instead of each call raising an OpenGL error.
	hasStorage = bufferDimensions.x > 0 && bufferDimensions.y > 0 && bufferDimensions.x <= largest &&
		bufferDimensions.y <= largest && externalFormat != 0 && internalFormat != 0;
	if (hasStorage)
		glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), bufferDimensions.x, bufferDimensions.y, 0,
			externalFormat, GL_UNSIGNED_BYTE, nullptr);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

bool PixelBuffer::Update()
{
	glActiveTexture(GL_TEXTURE0);
	glEnable(GL_TEXTURE_2D);
	glBindTexture(GL_TEXTURE_2D, glTexture);
	const float width = static_cast<float>(std::max(bufferDimensions.x, 1));
	const float height = static_cast<float>(std::max(bufferDimensions.y, 1));
	glMatrixMode(GL_TEXTURE);
	glLoadIdentity();
	glTranslatef(static_cast<float>(displayBounds.x) / width, static_cast<float>(displayBounds.y) / height, 0.0f);
	glScalef(static_cast<float>(displayBounds.z - displayBounds.x) / width,
		static_cast<float>(displayBounds.w - displayBounds.y) / height, 1.0f);
	glMatrixMode(GL_MODELVIEW);
	const int sampler = CurrentUniform(Uniform::Sampler0);
	if (sampler >= 0)
		glUniform1i(sampler, 0);
	// Unit 0 holds this texture now: a diffuse texture drawn next must not skip its bind.
	BoundTextures.diffuse = glTexture;
	return true;
}

void PixelBuffer::Detach()
{
	DeleteTexture();
	Texture::Detach();
}

void PixelBuffer::DeleteTexture()
{
	if (glTexture != 0 && HasGLContext())
		glDeleteTextures(1, &glTexture);
	glTexture = 0;
	hasStorage = false;
}

void PixelBuffer::Reload()
{
	DeleteTexture();
	CreateTexture(GL_REPEAT);
	owner->HandleMessage(Message("ForceRedraw"));
}

void PixelBuffer::Resize(const Tuple2<int>& dimensions)
{
	bufferDimensions = dimensions;
	Reload();
}

void PixelBuffer::OnSetDisplayBounds(Message::Reader reader)
{
	reader.Read(displayBounds);
}

void PixelBuffer::OnSetTextureData(Message::Reader reader)
{
	PixelData data = nullptr;
	reader.Read(data);
	Tuple4<int> rectangle(0, 0, bufferDimensions.x, bufferDimensions.y);
	if (reader.HasMore())
		reader.Read(rectangle);
	unsigned pitch = static_cast<unsigned>(bufferDimensions.x * kBytesPerPixel);
	if (reader.HasMore())
		reader.Read(pitch);
	WritePixels(data, rectangle, pitch);
}

void PixelBuffer::WritePixels(PixelData data, Tuple4<int> rectangle, unsigned pitch)
{
	// Clipped to the buffer: a rectangle reaching past an edge would make OpenGL refuse the whole
	// upload, and one starting before the data would read outside it.
	const int left = std::max(rectangle.x, 0);
	const int top = std::max(rectangle.y, 0);
	const int right = std::min(rectangle.x + std::max(rectangle.z, 0), bufferDimensions.x);
	const int bottom = std::min(rectangle.y + std::max(rectangle.w, 0), bufferDimensions.y);
	if (data == nullptr || !hasStorage || right <= left || bottom <= top)
		return;
	glActiveTexture(GL_TEXTURE0);
	glEnable(GL_TEXTURE_2D);
	glBindTexture(GL_TEXTURE_2D, glTexture);
	glMatrixMode(GL_TEXTURE);
	glLoadIdentity();
	glMatrixMode(GL_MODELVIEW);
	glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / kBytesPerPixel));
	const PixelData first = data + static_cast<std::size_t>(top) * pitch + static_cast<std::size_t>(left) * kBytesPerPixel;
	glTexSubImage2D(GL_TEXTURE_2D, 0, left, top, right - left, bottom - top, externalFormat, GL_UNSIGNED_BYTE, first);
	glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
	// What the frame remembers as bound on unit 0 is no longer so.
	BoundTextures.diffuse = glTexture;
}
