#include "Components/Graphics/TextureCache.h"

#include "Components/Graphics/GLContext.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Utilities/HashMap.h"
#include "Utilities/BinaryFile.h"
#include "Utilities/UnorderedVector.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>

#include <iostream>
#include <sstream>

TextureBindMemory BoundTextures;
std::vector<std::string> SamplerNames;

namespace
{
	constexpr int kSamplerCount = 8;

	tw::hash_map<std::string, int>& TextureFormatTable()
	{
		static tw::hash_map<std::string, int> table;
		return table;
	}

	tw::unordered_vector<TextureEntry*>& TextureCache()
	{
		static tw::unordered_vector<TextureEntry*> cache;
		return cache;
	}

	// Made on first use and deleted with the cache.
	unsigned whiteTexture = 0;

	struct FormatName
	{
		const char* name;
		int value;
	};

	// OpenGL 2.1 values; GL_BGR and GL_BGRA are 0x80E0 and 0x80E1.
	constexpr FormatName kFormatNames[] = {
		{"GL_ALPHA", 0x1906}, {"GL_ALPHA4", 0x803B}, {"GL_ALPHA8", 0x803C}, {"GL_ALPHA12", 0x803D},
		{"GL_ALPHA16", 0x803E}, {"GL_COMPRESSED_ALPHA", 0x84E9}, {"GL_COMPRESSED_LUMINANCE", 0x84EA},
		{"GL_COMPRESSED_LUMINANCE_ALPHA", 0x84EB}, {"GL_COMPRESSED_INTENSITY", 0x84EC},
		{"GL_COMPRESSED_RGB", 0x84ED}, {"GL_COMPRESSED_RGBA", 0x84EE}, {"GL_DEPTH_COMPONENT", 0x1902},
		{"GL_DEPTH_COMPONENT16", 0x81A5}, {"GL_DEPTH_COMPONENT24", 0x81A6}, {"GL_DEPTH_COMPONENT32", 0x81A7},
		{"GL_LUMINANCE", 0x1909}, {"GL_LUMINANCE4", 0x803F}, {"GL_LUMINANCE8", 0x8040},
		{"GL_LUMINANCE12", 0x8041}, {"GL_LUMINANCE16", 0x8042}, {"GL_LUMINANCE_ALPHA", 0x190A},
		{"GL_LUMINANCE4_ALPHA4", 0x8043}, {"GL_LUMINANCE6_ALPHA2", 0x8044}, {"GL_LUMINANCE8_ALPHA8", 0x8045},
		{"GL_LUMINANCE12_ALPHA4", 0x8046}, {"GL_LUMINANCE12_ALPHA12", 0x8047},
		{"GL_LUMINANCE16_ALPHA16", 0x8048}, {"GL_INTENSITY", 0x8049}, {"GL_INTENSITY4", 0x804A},
		{"GL_INTENSITY8", 0x804B}, {"GL_INTENSITY12", 0x804C}, {"GL_INTENSITY16", 0x804D},
		{"GL_R3_G3_B2", 0x2A10}, {"GL_RGB", 0x1907}, {"GL_RGB4", 0x804F}, {"GL_RGB5", 0x8050},
		{"GL_RGB8", 0x8051}, {"GL_RGB10", 0x8052}, {"GL_RGB12", 0x8053}, {"GL_RGB16", 0x8054},
		{"GL_RGBA", 0x1908}, {"GL_RGBA2", 0x8055}, {"GL_RGBA4", 0x8056}, {"GL_RGB5_A1", 0x8057},
		{"GL_RGBA8", 0x8058}, {"GL_RGB10_A2", 0x8059}, {"GL_RGBA12", 0x805A}, {"GL_RGBA16", 0x805B},
		{"GL_SLUMINANCE", 0x8C46}, {"GL_SLUMINANCE8", 0x8C47}, {"GL_SLUMINANCE_ALPHA", 0x8C44},
		{"GL_SLUMINANCE8_ALPHA8", 0x8C45}, {"GL_SRGB", 0x8C40}, {"GL_SRGB8", 0x8C41},
		{"GL_SRGB_ALPHA", 0x8C42}, {"GL_SRGB8_ALPHA8", 0x8C43}, {"GL_BGR", 0x80E0}, {"GL_BGRA", 0x80E1},
	};

	// An 8-bit surface whose colours are the grey ramp holds grey levels, which OpenGL reads as
	// luminance; any other palette holds indices, which only a conversion turns into colours.
	bool IsGreyLevels(const SDL_Surface& surface)
	{
		const SDL_Palette* palette = surface.format->palette;
		if (palette == nullptr)
			return true;
		for (int i = 0; i < palette->ncolors; ++i)
		{
			const SDL_Color& colour = palette->colors[i];
			if (colour.r != i || colour.g != i || colour.b != i)
				return false;
		}
		return true;
	}

	bool NeedsConversion(const SDL_Surface& surface)
	{
		const int bits = surface.format->BitsPerPixel;
		return (bits == 8 && !IsGreyLevels(surface)) || (bits != 8 && bits != 24 && bits != 32);
	}

	GLenum PixelFormatOf(const SDL_Surface& surface)
	{
		const SDL_PixelFormat& format = *surface.format;
		switch (format.BitsPerPixel)
		{
		case 8:
			return GL_LUMINANCE;
		case 24:
			return format.Rmask < format.Bmask ? GL_RGB : GL_BGR;
		case 32:
			return format.Rmask < format.Bmask ? GL_RGBA : GL_BGRA;
		default:
			return GL_RGBA;
		}
	}

	SDL_Surface* ConvertToRgba(SDL_Surface* surface)
	{
		SDL_PixelFormat rgba{};
		rgba.BitsPerPixel = 32;
		rgba.BytesPerPixel = 4;
		rgba.Rmask = 0x000000FF;
		rgba.Gmask = 0x0000FF00;
		rgba.Bmask = 0x00FF0000;
		rgba.Amask = 0xFF000000;
		rgba.Gshift = 8;
		rgba.Bshift = 16;
		rgba.Ashift = 24;
		rgba.alpha = 255;
		// The copy must take the source's alpha as it is, not blend it onto the black target.
		SDL_SetAlpha(surface, 0, 255);
		return SDL_ConvertSurface(surface, &rgba, SDL_SWSURFACE);
	}

	TextureData Placeholder(unsigned internalFormat, bool clamp)
	{
		Uint32 white = 0xFFFFFFFF;
		SDL_Surface* surface = SDL_CreateRGBSurfaceFrom(&white, 1, 1, 32, 4, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
		const TextureData data = UploadSurface(surface, internalFormat != 0 ? internalFormat : GL_RGBA8, clamp);
		SDL_FreeSurface(surface);
		return data;
	}
}

void InitTextureFormatTable()
{
	tw::hash_map<std::string, int>& table = TextureFormatTable();
	for (const FormatName& format : kFormatNames)
		table[format.name] = format.value;
	SamplerNames.clear();
	for (int unit = 0; unit < kSamplerCount; ++unit)
		SamplerNames.push_back("sampler[" + std::to_string(unit) + "]");
}

int ParseTextureFormat(std::string formatText)
{
	std::istringstream words(formatText);
	int format = 0;
	for (std::string word; words >> word;)
		if (word != "|")
			format |= TextureFormatTable()[word];
	return format;
}

TextureEntry* GetTexture(const std::string& imageName, unsigned internalFormat, bool clamp)
{
	tw::unordered_vector<TextureEntry*>& cache = TextureCache();
	for (TextureEntry* entry : cache)
		if (entry->name == imageName)
		{
			++entry->count;
			return entry;
		}
	TextureEntry* entry = new TextureEntry{1, LoadTexture(imageName, internalFormat, clamp), imageName};
	cache.push_back(entry);
	return entry;
}

TextureData LoadTexture(const std::string& imageName, unsigned internalFormat, bool clamp)
{
	std::vector<std::uint8_t> bytes;
	std::string problem;
	SDL_Surface* surface = nullptr;
	if (ReadDataFile(imageName, bytes, problem))
	{
		// Decoded from the bytes read, as IMG_Load would decode the file: the extension names the
		// formats (such as TGA) that carry no mark of their own.
		const std::size_t dot = imageName.rfind('.');
		std::string extension = dot == std::string::npos ? std::string() : imageName.substr(dot + 1);
		surface = IMG_LoadTyped_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1, extension.data());
		if (surface == nullptr)
			problem = IMG_GetError();
	}
	if (surface == nullptr)
	{
		std::cout << "Texture \"" << imageName << "\" cannot be loaded (" << problem << "); using a 1x1 placeholder" << std::endl;
		return Placeholder(internalFormat, clamp);
	}
	const TextureData data = UploadSurface(surface, internalFormat, clamp);
	SDL_FreeSurface(surface);
	return data;
}

TextureData UploadSurface(SDL_Surface* surface, unsigned internalFormat, bool clamp)
{
	// Headless (a test world, a tool) there is nothing to upload to, and the mipmap builder would
	// read the version of a context that does not exist.
	if (!HasGLContext())
		return TextureData{0, internalFormat, 0};
	SDL_Surface* converted = NeedsConversion(*surface) ? ConvertToRgba(surface) : nullptr;
	const SDL_Surface& pixels = converted != nullptr ? *converted : *surface;
	glGetError();
	TextureData data{0, internalFormat, 0};
	glGenTextures(1, &data.texture);
	glBindTexture(GL_TEXTURE_2D, data.texture);
	// SDL rows are padded to 4 bytes, OpenGL's default unpack alignment.
	gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(internalFormat), pixels.w, pixels.h, PixelFormatOf(pixels),
		GL_UNSIGNED_BYTE, pixels.pixels);
	const GLint wrap = clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
	if (converted != nullptr)
		SDL_FreeSurface(converted);
	glBindTexture(GL_TEXTURE_2D, 0);
	return data;
}

bool BindTextureUnit(unsigned unit, const TextureEntry* entry, float scaleX, float scaleY)
{
	glActiveTexture(unit);
	glEnable(GL_TEXTURE_2D);
	glBindTexture(GL_TEXTURE_2D, entry != nullptr ? entry->media.texture : 0);
	ResetTextureMatrix();
	glMatrixMode(GL_TEXTURE);
	glScalef(scaleX, scaleY, 1.0f);
	glMatrixMode(GL_MODELVIEW);
	if (CurrentProgram != 0)
	{
		const int index = static_cast<int>(unit - GL_TEXTURE0);
		const int location = UniformLocation(CurrentProgram, static_cast<Uniform>(static_cast<int>(Uniform::Sampler0) + index));
		if (location >= 0)
			glUniform1i(location, index);
	}
	return true;
}

void BindWhiteTexture()
{
	if (whiteTexture == 0)
		whiteTexture = Placeholder(GL_RGBA8, false).texture;
	if (BoundTextures.diffuse == whiteTexture)
		return;
	const TextureEntry white{1, TextureData{whiteTexture, GL_RGBA8, 0}, std::string()};
	BindTextureUnit(GL_TEXTURE0, &white, 1.0f, 1.0f);
	BoundTextures.diffuse = whiteTexture;
	BoundTextures.diffuseScale = Tuple2f(1.0f, 1.0f);
}

void ResetTextureMatrix()
{
	glMatrixMode(GL_TEXTURE);
	glLoadIdentity();
	glMatrixMode(GL_MODELVIEW);
}

void ReleaseTextureCache()
{
	const bool deleteTextures = HasGLContext();
	tw::unordered_vector<TextureEntry*>& cache = TextureCache();
	for (TextureEntry* entry : cache)
	{
		if (deleteTextures)
			glDeleteTextures(1, &entry->media.texture);
		delete entry;
	}
	cache.clear();
	if (deleteTextures && whiteTexture != 0)
		glDeleteTextures(1, &whiteTexture);
	whiteTexture = 0;
	// OpenGL reuses texture names: a remembered one could skip the bind of a new texture.
	BoundTextures = TextureBindMemory{};
}
