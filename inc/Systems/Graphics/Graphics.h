// Graphics: the engine system that owns the OpenGL renderer. It keeps the render targets of the
// deferred renderer, the lists through which render components make themselves known (they join
// in their Start and leave in their Detach; the system never owns them), the camera list, and
// registers the render component types. Updated last of all systems, it draws each frame.
#pragma once

#include "Components/Graphics/Billboard.h"
#include "Components/Graphics/Light.h"
#include "Components/Graphics/Model.h"
#include "Components/Graphics/OrthoPlane.h"
#include "Components/Graphics/PointSprite.h"
#include "Components/Graphics/Shader.h"
#include "Components/Graphics/Skybox.h"
#include "Components/Graphics/Texture.h"
#include "System.h"
#include "Systems/Graphics/RenderEntry.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/PauseHolds.h"
#include "Utilities/Tuple.h"
#include "Utilities/UnorderedVector.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class Camera;
class Composition;

struct __GraphicsName
{
	static constexpr const char* name = "Graphics";
};

class Graphics : public SystemBase<Graphics, __GraphicsName>
{
public:
	using RenderEntry = ::RenderEntry;
	// How far every model's animation advances each frame while nothing holds the game paused.
	static constexpr float kAnimationStep = 0.16f;
	using ShaderList = IntrusiveList<Shader, &Shader::links>;
	using TextureList = IntrusiveList<Texture, &Texture::links>;
	using RenderEntryList = IntrusiveList<RenderEntry, &RenderEntry::links>;
	using SkyList = IntrusiveList<Skybox, &Skybox::links>;
	using LightList = IntrusiveList<Light, &Light::links>;
	using OrthoPlaneList = IntrusiveList<OrthoPlane, &OrthoPlane::links>;
	using BillboardList = IntrusiveList<Billboard, &Billboard::links>;
	using PointSpriteList = IntrusiveList<PointSprite, &PointSprite::spriteLinks>;
	using ModelList = IntrusiveList<Model, &Model::links>;

	// One queued debug line: world-space end points, width in pixels, RGBA colour.
	struct LineDrawInfo
	{
		Tuple3f start;
		Tuple3f end;
		float width;
		Tuple4f colour;
	};
	// One queued wire-frame shape of the primitive-mesh cache.
	struct PrimDrawInfo
	{
		int shape;
		int slices;
		int stacks;
		Tuple3f position;
		Tuple3f scale;
		// Axis times angle (radians).
		Tuple3f rotation;
		Tuple4f colour;
	};

	// The engine's Graphics system; null when there is no engine or no such system.
	static Graphics* Find();

	void LoadConfig(Config& section) override;
	void Initialize() override;
	// Draws one frame.
	void Update() override;
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
	SkyList& Skies() { return skies; }
	LightList& Lights() { return lights; }
	OrthoPlaneList& OrthoPlanes() { return orthoPlanes; }
	BillboardList& Billboards() { return billboards; }
	PointSpriteList& PointSprites() { return pointSprites; }
	ModelList& Models() { return models; }

	// The Camera of the object last in the camera list; null when the list is empty.
	Camera* GetActiveCamera() const;
	// The object ids of the started cameras, oldest first; the last is the active camera.
	const std::vector<unsigned>& GetCameras() const { return cameras; }
	// Moves the object's id to the end of the camera list.
	void AddCamera(unsigned objectId);
	void RemoveCamera(unsigned objectId);

	// Debug drawing: each request is drawn in wire frame by this frame's debug pass and then
	// discarded; a caller that wants a shape on screen asks again every frame.
	void DrawLine(Tuple3f start, Tuple3f end, float width, Tuple4f colour);
	void DrawRay(Tuple3f origin, Tuple3f vector, float width, Tuple4f colour);
	void DrawPlane(Tuple3f position, Tuple3f scale, Tuple3f rotation, Tuple4f colour);
	void DrawCube(Tuple3f position, Tuple3f scale, Tuple3f rotation, Tuple4f colour);
	// At least 2 stacks.
	void DrawSphere(Tuple3f position, Tuple3f scale, Tuple3f rotation, int slices, int stacks, Tuple4f colour);
	void DrawSphereUniform(Tuple3f position, float radius, Tuple3f rotation, int slices, int stacks, Tuple4f colour);
	// Always 20 slices and 2 stacks.
	void DrawCylinder(Tuple3f position, Tuple3f scale, Tuple3f rotation, Tuple4f colour);
	void DrawCone(Tuple3f position, Tuple3f scale, Tuple3f rotation, int slices, int stacks, Tuple4f colour);
	void DrawConeUniform(Tuple3f position, float size, Tuple3f rotation, Tuple4f colour);
	// Draws every queued shape, then every queued line, and empties both queues; touches no
	// OpenGL state when nothing is queued. They are part of the world: a frame draws them after
	// the scene and before the screen planes, which cover them (the pause menu over the editor's
	// marks).
	void DebugPass();
	const tw::unordered_vector<LineDrawInfo>& GetLineQueue() const { return lineQueue; }
	const tw::unordered_vector<PrimDrawInfo>& GetPrimitiveQueue() const { return primitiveQueue; }

	// The frame's steps, in the order Update takes them.
	// Writes the eye position and the six view-volume planes (near, left, right, top, bottom, far;
	// unit normals pointing out, d = n . p); nothing without a camera.
	void UpdateFrustum(Camera* camera);
	// The owners of the render entries visible this frame, in list order, and the order the
	// passes draw them in: grouped by program, then nearest first in bands of depth, then by
	// diffuse image, list order within a group. Each program is bound once a frame and each image
	// about once a band, while the depth test turns away most of the hidden fragments before they
	// are shaded (on a software rasteriser the fill, not the binding, is what costs).
	void BuildDrawList();
	// Depth bands over the view's range that BuildDrawList orders by.
	static constexpr unsigned kDepthBands = 32;
	void GeometryPass();
	void LightPass();
	// The sky, the scene and the point sprites into the window.
	void ForwardPass();
	// The screen-aligned planes (pages, heads-up displays, overlays) over what is drawn, in their
	// order of depth: the last step of every frame's drawing, with or without a camera.
	void ScreenPlanePass();
	// Point the current program's samplers of units 6 and 7 at the G-buffer and the light buffer.
	void BindGBuffer();
	void BindLightBuffer();
	// Farthest first; of two equal keys the later one goes first.
	void SortPointSprites();

	const Tuple3f& GetEyePosition() const { return eyePosition; }
	// {nx, ny, nz, d}: a point x is inside when n . x < d for all six.
	const std::array<Tuple4f, 6>& GetFrustumPlanes() const { return frustumPlanes; }
	const tw::unordered_vector<Composition*>& GetDrawList() const { return drawList; }
	const std::vector<Composition*>& GetDrawOrder() const { return drawOrder; }

	// The render targets, for the passes and their tests.
	unsigned GetFrameBuffer() const { return frameBuffer; }
	unsigned GetGeometryBuffer() const { return geometryBuffer; }
	unsigned GetLightBuffer() const { return lightBuffer; }
	unsigned GetDepthBuffer() const { return depthBuffer; }

	// The draw predicate of primitives and models: true when the component's object lies outside
	// the view. Objects are culled by their physics body's box, else by the box of their
	// primitive's shape or rigid model's mesh; a skinned model without a body is drawn.
	static bool IsOutsideView(const Component* component);

	// The viewport (x, y, width, height) that fits a picture of the buffer's aspect ratio into the
	// view, centred, with bars on two sides.
	static Tuple4<int> FitViewport(int viewWidth, int viewHeight, int bufferWidth, int bufferHeight);

private:
	void OnLosingDevice(Message::Reader reader);
	void OnLostDevice(Message::Reader reader);
	void OnPause(Message::Reader reader);
	void OnPauseLogic(Message::Reader reader);
	// Every model's animation advances by this much this frame: nothing while the game or the level
	// editor holds the world still, since the models' bones carry what hangs on them.
	float AnimationStep() const { return animationPauses.Any() ? 0.0f : kAnimationStep; }
	void TakeWindowSize();
	void SetViewport() const;
	void CreateRenderTargets();
	void DeleteRenderTargets();
	void RegisterComponentTypes();
	// The frame without a camera (a level that failed to load, or has none): the clear, the
	// screen-aligned planes and the swap; the debug queues are dropped.
	void FrameWithoutCamera();
	// Binds the frame buffer with the depth buffer and the target as colour, and clears them.
	void RenderInto(unsigned target, unsigned clearBits);
	// Back to the window's frame buffer, with its clear colour.
	void RenderIntoWindow();
	void SetInvBufferDim() const;
	// Binds a render target to unit GL_TEXTURE0 + unitIndex with an identity texture matrix and
	// points the current program's sampler at it; false when no program is current.
	bool BindTarget(unsigned texture, int unitIndex) const;
	void DrawObject(Composition* object) const;
	// The object's band of depth from the eye along the view, 0 (nearest) to kDepthBands - 1.
	unsigned DepthBand(Composition* object) const;

	int bufferWidth = 800;
	int bufferHeight = 600;
	int viewWidth = 0;
	int viewHeight = 0;
	bool fullscreen = true;
	PauseHolds animationPauses;
	int bitsPerPixel = 32;
	float baseFOV = 60.0f;

	unsigned frameBuffer = 0;
	unsigned depthBuffer = 0;
	unsigned geometryBuffer = 0;
	unsigned singleChannelBuffer = 0;
	unsigned lightBuffer = 0;

	std::vector<unsigned> cameras;
	Tuple3f eyePosition;
	std::array<Tuple4f, 6> frustumPlanes{};
	// Kept from frame to frame, so that sorting the point sprites allocates nothing.
	std::vector<PointSprite*> spriteOrder;
	tw::unordered_vector<Composition*> drawList;
	// Both kept from frame to frame, so that ordering the draw list allocates nothing.
	struct DrawKey
	{
		unsigned program;
		unsigned band;
		unsigned image;
		std::size_t listIndex;
		Composition* object;
	};
	std::vector<DrawKey> drawKeys;
	std::vector<Composition*> drawOrder;
	tw::unordered_vector<PrimDrawInfo> primitiveQueue;
	tw::unordered_vector<LineDrawInfo> lineQueue;

	ShaderList shaders;
	SkyList skies;
	LightList lights;
	ModelList models;
	OrthoPlaneList orthoPlanes;
	TextureList textures;
	BillboardList billboards;
	PointSpriteList pointSprites;
	RenderEntryList renderEntries;
};
