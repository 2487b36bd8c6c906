// Graphics: the engine system that owns the OpenGL renderer. It keeps the render targets of the
// deferred renderer, the lists through which render components make themselves known (they join
// in their Start and leave in their Detach; the system never owns them), the camera list, and
// registers the render component types. Updated last of all systems, it draws each frame.
#pragma once

#include "Components/Graphics/Shader.h"
#include "Components/Graphics/Texture.h"
#include "System.h"
#include "Systems/Graphics/RenderEntry.h"
#include "Utilities/IntrusiveList.h"

#include <vector>

struct __GraphicsName
{
	static constexpr const char* name = "Graphics";
};

class Graphics : public SystemBase<Graphics, __GraphicsName>
{
public:
	using RenderEntry = ::RenderEntry;
	using ShaderList = IntrusiveList<Shader, &Shader::links>;
	using TextureList = IntrusiveList<Texture, &Texture::links>;
	using RenderEntryList = IntrusiveList<RenderEntry, &RenderEntry::links>;

	// The engine's Graphics system; null when there is no engine or no such system.
	static Graphics* Find();

	void LoadConfig(Config& section) override;
	void Initialize() override;
	void Shutdown() override;
	// Re-creates the render targets and fetches every listed component's media again.
	void Reload() override;

	// The size of the window area drawn into, in pixels.
	unsigned GetScreenWidth() const { return static_cast<unsigned>(viewWidth); }
	unsigned GetScreenHeight() const { return static_cast<unsigned>(viewHeight); }
	int GetBufferWidth() const { return bufferWidth; }
	int GetBufferHeight() const { return bufferHeight; }
	float GetBaseFOV() const { return baseFOV; }

	// A new shader goes before the first listed one whose program name is not greater, so shaders
	// of one program stay together, the newest first.
	void AddShader(Shader* shader);
	ShaderList& Shaders() { return shaders; }
	TextureList& Textures() { return textures; }
	RenderEntryList& RenderEntries() { return renderEntries; }

	// The draw predicate of primitives and models: true when the component's object lies outside
	// the view. Objects are culled by their physics body's box; an object without one is drawn.
	static bool IsOutsideView(const Component* component);

private:
	void OnLosingDevice(Message::Reader reader);
	void OnLostDevice(Message::Reader reader);
	void TakeWindowSize();
	void SetViewport() const;
	void CreateRenderTargets();
	void DeleteRenderTargets();

	int bufferWidth = 800;
	int bufferHeight = 600;
	int viewWidth = 0;
	int viewHeight = 0;
	bool fullscreen = true;
	int bitsPerPixel = 32;
	float baseFOV = 60.0f;

	unsigned frameBuffer = 0;
	unsigned depthBuffer = 0;
	unsigned geometryBuffer = 0;
	unsigned singleChannelBuffer = 0;
	unsigned lightBuffer = 0;

	ShaderList shaders;
	TextureList textures;
	RenderEntryList renderEntries;
};
