// The Graphics system's frame: a deferred renderer. The geometry pass writes the visible scene's
// normals and depths into the G-buffer, the light pass adds every light's contribution into the
// light buffer, and the forward pass draws the sky, the scene (whose shaders read both buffers),
// the point sprites into the window, the debug pass adds the queued marks, and the screen planes go
// over all of it before the swap.
#include "Systems/Graphics/Graphics.h"

#include "Components/Graphics/Camera.h"
#include "Components/Graphics/CompositePrimitive.h"
#include "Components/Graphics/DebugPrim.h"
#include "Components/Graphics/GLContext.h"
#include "Components/Graphics/Model.h"
#include "Components/Graphics/PixelBuffer.h"
#include "Components/Graphics/Primitive.h"
#include "Components/Graphics/Shader.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Components/Graphics/TextureTransform.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Graphics/LightScissor.h"

#include "Utilities/ListSort.h"

#include <GL/glew.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <tuple>

namespace
{
	template <class T>
	T* ComponentOf(Composition* object)
	{
		return object->GetComponent<T>();
	}

	template <class T>
	void UpdateRenderIfPresent(Composition* object)
	{
		if (T* component = ComponentOf<T>(object))
			component->Update();
	}

	void SetFloat(int location, float value)
	{
		if (location >= 0)
			glUniform1f(location, value);
	}

	// The object's image on unit 0: its pixel buffer, else its diffuse texture, else white, so
	// that an untextured object does not show whatever the unit held last.
	void BindObjectTexture(Composition* object)
	{
		if (PixelBuffer* pixels = ComponentOf<PixelBuffer>(object))
			pixels->Update();
		else if (DiffuseTexture* diffuse = ComponentOf<DiffuseTexture>(object))
			diffuse->Update();
		else
			BindWhiteTexture();
	}

	// The texture BindObjectTexture binds for the object, by its OpenGL name (0 for white).
	unsigned ImageOf(Composition* object)
	{
		if (const PixelBuffer* pixels = ComponentOf<PixelBuffer>(object))
			return pixels->GetGLTexture();
		const DiffuseTexture* diffuse = ComponentOf<DiffuseTexture>(object);
		return diffuse != nullptr && diffuse->GetEntry() != nullptr ? diffuse->GetEntry()->media.texture : 0;
	}

	// The object's TextureTransform, else its diffuse texture's scale, on unit 0, where the
	// object's own texture is. (Loading the identity instead would throw away the scale of every
	// diffuse texture, which was just set on that same matrix.) A pixel buffer's matrix, which
	// maps its display bounds, stays as its bind left it. The scale the matrix holds is
	// remembered, so that a run of objects of one scale loads it once; a transform or a pixel
	// buffer leaves it unknown.
	void SetTextureMatrix(Composition* object, std::optional<Tuple2f>& heldScale)
	{
		glActiveTexture(GL_TEXTURE0);
		if (TextureTransform* transform = ComponentOf<TextureTransform>(object))
		{
			transform->Update();
			heldScale.reset();
			return;
		}
		if (ComponentOf<PixelBuffer>(object) != nullptr)
		{
			heldScale.reset();
			return;
		}
		const DiffuseTexture* diffuse = ComponentOf<DiffuseTexture>(object);
		const Tuple2f scale = diffuse != nullptr ? diffuse->GetScale() : Tuple2f(1.0f, 1.0f);
		if (heldScale == scale)
			return;
		ResetTextureMatrix();
		glMatrixMode(GL_TEXTURE);
		glScalef(scale.x, scale.y, 1.0f);
		glMatrixMode(GL_MODELVIEW);
		heldScale = scale;
	}

	// A skinned model is drawn by its program's skinning twin, posed as the geometry pass drew it;
	// without a twin it keeps the program and shows its rest pose.
	unsigned ForwardProgram(Composition* object, Shader& shader)
	{
		const Model* model = ComponentOf<Model>(object);
		const unsigned skinning = model != nullptr && model->IsSkinned() ? shader.GetSkinnedProgram() : 0;
		return skinning != 0 ? skinning : shader.GetProgram();
	}

	// The passes' programs, named once: a name built from text every frame would allocate.
	const std::string kGeometryProgram = "GeometryPass";
	const std::string kAnimatedGeometryProgram = "AnimatedGeometryPass";
	const std::string kOmniLightProgram = "LightPassOmni";
	const std::string kDirectionalLightProgram = "LightPass";
	const std::string kParticleProgram = "ParticleShader";

	Tuple4f Plane(const Tuple3f& normal, const Tuple3f& point)
	{
		const Tuple3f unit = normal.Normalize();
		return Tuple4f(unit.x, unit.y, unit.z, unit.DotProduct(point));
	}

}

void Graphics::Update()
{
	// Headless: the models still animate, since gameplay reads their bones; nothing is drawn.
	if (!HasGLContext())
	{
		models.ForEach([step = AnimationStep()](Model* model) { model->Animate(step); });
		primitiveQueue.clear();
		lineQueue.clear();
		return;
	}
	glGetError();
	Camera* camera = GetActiveCamera();
	// Without a camera there is no world to look through, but the interface is still there.
	if (camera == nullptr)
	{
		FrameWithoutCamera();
		return;
	}
	camera->Update();
	UpdateFrustum(camera);
	BuildDrawList();
	// A fixed step every frame, not the frame time: animation speeds in the data are tuned to it.
	models.ForEach([step = AnimationStep()](Model* model) { model->Animate(step); });
	billboards.ForEach([](Billboard* billboard) { billboard->Update(); });
	GeometryPass();
	LightPass();
	glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
	ForwardPass();
	DebugPass();
	ScreenPlanePass();
	SDL_GL_SwapBuffers();
}

void Graphics::UpdateFrustum(Camera* camera)
{
	if (camera == nullptr)
		return;
	const Tuple3f e = eyePosition = camera->GetEyePosition();
	const Tuple3f& v = camera->GetDirection();
	const Tuple3f& u = camera->GetUp();
	const Tuple3f& r = camera->GetRight();
	const float n = camera->GetNearClip();
	const float f = camera->GetFarClip();
	const float aspect = static_cast<float>(viewWidth) / static_cast<float>(viewHeight);
	const float t = static_cast<float>(2.0 * std::tan(camera->GetFieldOfView() * std::numbers::pi / 180.0 * 0.5));
	struct Corners
	{
		Tuple3f bottomLeft, bottomRight, topRight, topLeft;
	};
	const auto corners = [&](float distance) {
		const float h = t * distance;
		const float w = aspect * h;
		const Tuple3f c = e + v * distance;
		return Corners{c - r * (w / 2) - u * (h / 2), c + r * (w / 2) - u * (h / 2), c + r * (w / 2) + u * (h / 2),
			c - r * (w / 2) + u * (h / 2)};
	};
	const Corners near = corners(n);
	const Corners far = corners(f);
	frustumPlanes[0] = Plane(Cross(near.bottomRight - near.bottomLeft, near.topRight - near.bottomLeft), near.bottomLeft);
	frustumPlanes[1] = Plane(Cross(far.topLeft - near.bottomLeft, far.bottomLeft - near.bottomLeft), near.bottomLeft);
	frustumPlanes[2] = Plane(Cross(far.bottomRight - near.bottomRight, far.topRight - near.bottomRight), near.bottomRight);
	frustumPlanes[3] = Plane(Cross(far.topRight - near.topRight, far.topLeft - near.topRight), near.topRight);
	frustumPlanes[4] = Plane(Cross(far.bottomLeft - near.bottomRight, far.bottomRight - near.bottomRight), near.bottomRight);
	frustumPlanes[5] = Plane(Cross(far.bottomLeft - far.topRight, far.topLeft - far.topRight), far.topRight);
}

void Graphics::BuildDrawList()
{
	drawList.clear();
	renderEntries.ForEach([this](RenderEntry* entry) {
		if (entry->kind >= 0 && entry->kind <= 3)
			entry->draw = entry->predicate == nullptr || !entry->predicate(entry->component);
		if (entry->draw)
			drawList.push_back(entry->owner);
	});
	drawKeys.clear();
	for (std::size_t i = 0; i < drawList.size(); ++i)
	{
		Composition* object = drawList[i];
		const Shader* shader = ComponentOf<Shader>(object);
		drawKeys.push_back({shader != nullptr ? shader->GetProgram() : 0, DepthBand(object), ImageOf(object), i, object});
	}
	std::sort(drawKeys.begin(), drawKeys.end(), [](const DrawKey& a, const DrawKey& b) {
		return std::tie(a.program, a.band, a.image, a.listIndex) < std::tie(b.program, b.band, b.image, b.listIndex);
	});
	drawOrder.clear();
	for (const DrawKey& key : drawKeys)
		drawOrder.push_back(key.object);
}

unsigned Graphics::DepthBand(Composition* object) const
{
	const Transform* transform = ComponentOf<Transform>(object);
	if (transform == nullptr)
		return 0;
	// The far plane's normal is the view direction, and its distance from the eye the view's depth.
	const Tuple4f& far = frustumPlanes[5];
	const Tuple3f direction(far.x, far.y, far.z);
	const float range = far.w - direction.DotProduct(eyePosition);
	const float depth = direction.DotProduct(transform->GetWorldPosition() - eyePosition);
	if (!(range > 0.0f) || !(depth > 0.0f))
		return 0;
	const float fraction = std::min(depth / range, 1.0f);
	return std::min(static_cast<unsigned>(fraction * static_cast<float>(kDepthBands)), kDepthBands - 1);
}

void Graphics::DrawObject(Composition* object) const
{
	// Both passes that draw the draw list cull back faces, so a primitive need not submit the
	// facets the eye sees from behind.
	if (Primitive* primitive = ComponentOf<Primitive>(object))
		primitive->DrawFacing(eyePosition);
	else if (Model* model = ComponentOf<Model>(object))
		model->Update();
	else if (CompositePrimitive* composite = ComponentOf<CompositePrimitive>(object))
		composite->Update();
}

void Graphics::RenderInto(unsigned target, unsigned clearBits)
{
	glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
	glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
	glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
	glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
	glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
	glClear(clearBits);
}

void Graphics::RenderIntoWindow()
{
	glBindFramebuffer(GL_FRAMEBUFFER, 0);
	glBindRenderbuffer(GL_RENDERBUFFER, 0);
	glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

void Graphics::GeometryPass()
{
	const Camera* camera = GetActiveCamera();
	glDisable(GL_BLEND);
	glDisable(GL_ALPHA_TEST);
	// The draw list is drawn one-sided in this pass and the forward pass: DrawObject relies on it.
	glEnable(GL_CULL_FACE);
	glCullFace(GL_BACK);
	glFrontFace(GL_CCW);
	RenderInto(geometryBuffer, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
	// Both programs get this frame's clip distances up front: sending them only on a program
	// change would leave a program that stays bound across frames with old ones.
	const float invClipDiff = 1.0f / (camera->GetFarClip() - camera->GetNearClip());
	const auto prepare = [&](const std::string& name) {
		UseProgram(name);
		SetFloat(CurrentUniform(Uniform::ClipNear), camera->GetNearClip());
		SetFloat(CurrentUniform(Uniform::InvClipDiff), invClipDiff);
		return CurrentProgram;
	};
	const unsigned animatedProgram = prepare(kAnimatedGeometryProgram);
	const unsigned staticProgram = prepare(kGeometryProgram);
	for (Composition* object : drawOrder)
	{
		if (ComponentOf<Skybox>(object) != nullptr || ComponentOf<OrthoPlane>(object) != nullptr)
			continue;
		const Model* model = ComponentOf<Model>(object);
		UseProgram(model != nullptr && model->IsSkinned() ? animatedProgram : staticProgram);
		DrawObject(object);
	}
	RenderIntoWindow();
	glEnable(GL_BLEND);
	glEnable(GL_ALPHA_TEST);
}

void Graphics::SetInvBufferDim() const
{
	const int location = CurrentUniform(Uniform::InvBufferDim);
	if (location >= 0)
		glUniform2f(location, 1.0f / static_cast<float>(bufferWidth), 1.0f / static_cast<float>(bufferHeight));
}

void Graphics::LightPass()
{
	glDisable(GL_ALPHA_TEST);
	glBlendFunc(GL_ONE, GL_ONE);
	// The depth of the geometry pass stays: the light volumes are tested against it.
	RenderInto(lightBuffer, GL_COLOR_BUFFER_BIT);
	// Light volumes test against the scene's depth but must not write it: a directional light's
	// quad would otherwise hide every light volume drawn after it.
	glDepthMask(GL_FALSE);
	Camera* camera = GetActiveCamera();
	const Tuple4<int> viewport = FitViewport(viewWidth, viewHeight, bufferWidth, bufferHeight);
	const PerspectiveView view{camera->GetNearClip(), camera->GetFieldOfView(),
		static_cast<float>(viewWidth) / static_cast<float>(viewHeight), viewport};
	const Matrix4& viewMatrix = camera->GetViewMatrix();
	// Each omni light shades only the pixels its sphere can reach.
	glEnable(GL_SCISSOR_TEST);
	lights.ForEach([&](Light* light) {
		// A light of another type has no program (nor volume) and is skipped.
		const bool omni = light->GetType() == Light::kOmni;
		if (!omni && light->GetType() != Light::kDirectional)
			return;
		const Tuple4<int> area =
			omni ? SphereScissor(viewMatrix * light->GetWorldPosition(), light->GetVolumeRadius(), view) : viewport;
		if (area.z <= 0 || area.w <= 0)
			return;
		glScissor(area.x, area.y, area.z, area.w);
		if (UseProgram(omni ? kOmniLightProgram : kDirectionalLightProgram))
		{
			SetInvBufferDim();
			BindGBuffer();
		}
		light->Update();
	});
	glDisable(GL_SCISSOR_TEST);
	glDepthMask(GL_TRUE);
	RenderIntoWindow();
	glEnable(GL_ALPHA_TEST);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void Graphics::BindGBuffer()
{
	if (!BindTarget(geometryBuffer, 6))
		return;
	const Camera* camera = GetActiveCamera();
	if (camera == nullptr)
		return;
	if (const int location = CurrentUniform(Uniform::CamDir); location >= 0)
		glUniform3f(location, camera->GetDirection().x, camera->GetDirection().y, camera->GetDirection().z);
	SetFloat(CurrentUniform(Uniform::ClipNear), camera->GetNearClip());
	SetFloat(CurrentUniform(Uniform::ClipFar), camera->GetFarClip());
}

void Graphics::BindLightBuffer()
{
	BindTarget(lightBuffer, 7);
}

bool Graphics::BindTarget(unsigned texture, int unitIndex) const
{
	glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unitIndex));
	glEnable(GL_TEXTURE_2D);
	glBindTexture(GL_TEXTURE_2D, texture);
	ResetTextureMatrix();
	if (CurrentProgram == 0)
		return false;
	const int sampler = CurrentUniform(static_cast<Uniform>(static_cast<int>(Uniform::Sampler0) + unitIndex));
	if (sampler >= 0)
		glUniform1i(sampler, unitIndex);
	return true;
}

void Graphics::ForwardPass()
{
	// Sky: around the eye, deepest first, behind everything.
	glDisable(GL_DEPTH_TEST);
	glMatrixMode(GL_MODELVIEW);
	glPushMatrix();
	glTranslatef(eyePosition.x, eyePosition.y, eyePosition.z);
	skies.ForEach([](Skybox* sky) {
		Composition* object = sky->owner;
		UpdateRenderIfPresent<Shader>(object);
		sky->Update();
		BindObjectTexture(object);
		std::optional<Tuple2f> unknownScale;
		SetTextureMatrix(object, unknownScale);
		UpdateRenderIfPresent<Primitive>(object);
		UpdateRenderIfPresent<CompositePrimitive>(object);
		UpdateRenderIfPresent<Model>(object);
	});
	glMatrixMode(GL_MODELVIEW);
	glPopMatrix();
	glEnable(GL_DEPTH_TEST);
	glFrontFace(GL_CCW);

	std::optional<Tuple2f> heldScale;
	for (Composition* object : drawOrder)
	{
		if (ComponentOf<Skybox>(object) != nullptr || ComponentOf<OrthoPlane>(object) != nullptr)
			continue;
		if (Shader* shader = ComponentOf<Shader>(object); shader != nullptr && UseProgram(ForwardProgram(object, *shader)))
		{
			SetInvBufferDim();
			BindGBuffer();
			BindLightBuffer();
		}
		BindObjectTexture(object);
		SetTextureMatrix(object, heldScale);
		if (ComponentOf<DebugPrim>(object) != nullptr)
		{
			if (const Transform* transform = ComponentOf<Transform>(object))
				DrawCube(transform->GetWorldPosition(), transform->GetScale(), transform->GetWorldRotationVector(),
					Tuple4f(1.0f, 1.0f, 1.0f, 1.0f));
			continue;
		}
		DrawObject(object);
	}

	UseProgram(kParticleProgram);
	glEnable(GL_BLEND);
	SortPointSprites();
	glDepthMask(GL_FALSE);
	pointSprites.ForEach([](PointSprite* sprite) { sprite->Update(); });
	glDepthMask(GL_TRUE);
}

void Graphics::ScreenPlanePass()
{
	glEnable(GL_BLEND);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	glDisable(GL_DEPTH_TEST);
	orthoPlanes.ForEach([](OrthoPlane* plane) {
		Composition* object = plane->owner;
		UpdateRenderIfPresent<Shader>(object);
		UpdateRenderIfPresent<DiffuseTexture>(object);
		UpdateRenderIfPresent<AmbientTexture>(object);
		UpdateRenderIfPresent<SpecularTexture>(object);
		// A plane without an emissive image must not glow with the factor of the last plane that
		// shared its program.
		if (EmissiveTexture* emissive = ComponentOf<EmissiveTexture>(object))
			emissive->Update();
		else
			EmissiveTexture::SetProgramFactor(0.0f);
		if (PixelBuffer* pixels = ComponentOf<PixelBuffer>(object))
		{
			glActiveTexture(GL_TEXTURE0);
			glDisable(GL_TEXTURE_2D);
			BoundTextures.diffuse = 0;
			pixels->Update();
		}
		plane->Update();
	});
	glEnable(GL_DEPTH_TEST);
}

void Graphics::SortPointSprites()
{
	SortLargestFirst(pointSprites, spriteOrder, [](const PointSprite* sprite) { return sprite->GetSortKey(); });
}
