// Textures: image files turned into mipmapped OpenGL 2-D textures and shared by name through a
// reference-counted cache, the table of OpenGL format names that data files use, and the routine
// that binds a texture to a unit and points the current program's sampler at it.
#pragma once

#include "Components/Graphics/MediaInfo.h"
#include "Utilities/Tuple.h"

#include <string>
#include <vector>

struct SDL_Surface;

struct TextureData
{
	unsigned texture = 0;
	unsigned internalFormat = 0;
	unsigned extra = 0;
};

using TextureEntry = MediaInfo<TextureData>;

// The texture each kind of texture component bound last, so that a bind of the same texture is
// skipped. Whoever switches texturing off on a unit clears that unit's memory.
struct TextureBindMemory
{
	unsigned diffuse = 0;
	Tuple2f diffuseScale{1.0f, 1.0f};
	unsigned specular = 0;
	unsigned emissive = 0;
	unsigned ambient = 0;
};
extern TextureBindMemory BoundTextures;

// "sampler[0]" to "sampler[7]", built with the format table.
extern std::vector<std::string> SamplerNames;

// Fills the format-name table ("GL_RGBA8" -> 0x8058 ...) and the sampler names; once is enough.
void InitTextureFormatTable();
// The OR of the values of the blank-separated format names; "|" is skipped; an unknown name
// counts 0 (and is remembered as 0).
int ParseTextureFormat(std::string formatText);

// The cached texture of the image name (count + 1); loaded on first request. The name is the
// key: a later request with another format or clamp flag gets the first texture.
TextureEntry* GetTexture(const std::string& imageName, unsigned internalFormat, bool clamp);
// A 1x1 white placeholder, with a diagnostic, when the image cannot be read.
TextureData LoadTexture(const std::string& imageName, unsigned internalFormat, bool clamp);
// Uploads the surface with mipmaps; palette and 16-bit colour surfaces are converted to RGBA.
TextureData UploadSurface(SDL_Surface* surface, unsigned internalFormat, bool clamp);
// Binds the texture to unit (GL_TEXTURE0 + i), sets the texture matrix to the scale and, when a
// program is bound, its "sampler[i]" to i. Always true.
bool BindTextureUnit(unsigned unit, const TextureEntry* entry, float scaleX, float scaleY);
// Binds a 1x1 white texture to unit 0 (made on first use), for objects that have no texture of
// their own: sampled, it leaves their colour as it is.
void BindWhiteTexture();
// Loads the identity into the texture matrix of the active unit; the model-view matrix is current after.
void ResetTextureMatrix();
// Deletes every texture, empties the cache and forgets every remembered binding.
void ReleaseTextureCache();
