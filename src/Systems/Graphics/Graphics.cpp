#include "Systems/Graphics/Graphics.h"

#include "Components/Graphics/Camera.h"
#include "Components/Graphics/CompositePrimitive.h"
#include "Components/Graphics/ConnectionReader.h"
#include "Components/Graphics/DebugPrim.h"
#include "Components/Graphics/GLContext.h"
#include "Components/Graphics/GolemModel.h"
#include "Components/Graphics/PixelBuffer.h"
#include "Components/Graphics/Primitive.h"
#include "Components/Graphics/PrimitiveMesh.h"
#include "Components/Graphics/TextureTransform.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Window.h"
#include "Utilities/Config.h"
#include "Utilities/DebugDraw.h"

#include <GL/glew.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace
{
	// The AABB trees draw their debug shapes through these.
	void QueueDebugLine(Tuple3f start, Tuple3f end, float width, Tuple4f colour)
	{
		if (Graphics* graphics = Graphics::Find())
			graphics->DrawLine(start, end, width, colour);
	}

	void QueueDebugSphere(Tuple3f centre, float radius, Tuple4f colour)
	{
		constexpr int kTessellation = 10;
		if (Graphics* graphics = Graphics::Find())
			graphics->DrawSphereUniform(centre, radius, Tuple3f(), kTessellation, kTessellation, colour);
	}
}

namespace
{
	// The world box {min x, y, z, max x, y, z} around an object without a body: its primitive's
	// unit shape, or its rigid model's mesh, under its Transform. False when there is none (a
	// skinned model's bones may carry its vertices anywhere).
	bool MeshWorldBox(const Component& component, Composition& object, std::array<float, 6>& box)
	{
		Tuple3f low(-0.5f, -0.5f, -0.5f);
		Tuple3f high(0.5f, 0.5f, 0.5f);
		if (component.GetTypeId() == Primitive::TypeId())
		{
			const PrimitiveEntry* mesh = static_cast<const Primitive&>(component).GetMesh();
			if (mesh == nullptr || mesh->media.shape == kNoShape)
				return false;
		}
		else if (component.GetTypeId() == Model::TypeId())
		{
			const Model& model = static_cast<const Model&>(component);
			if (model.IsSkinned() || !model.GetMeshBounds(low, high))
				return false;
		}
		else
			return false;
		// Skies are drawn around the eye, wherever their objects stand.
		const Transform* transform = object.GetComponent<Transform>();
		if (transform == nullptr || object.GetComponent<Skybox>() != nullptr)
			return false;
		const Matrix4 rotation = Matrix4::FromRotation(transform->GetWorldOrientation());
		const Tuple3f& scale = transform->GetScale();
		const Tuple3f centre = rotation * Tuple3f((low.x + high.x) * 0.5f * scale.x, (low.y + high.y) * 0.5f * scale.y,
			(low.z + high.z) * 0.5f * scale.z);
		const Tuple3f half((high.x - low.x) * 0.5f * scale.x, (high.y - low.y) * 0.5f * scale.y, (high.z - low.z) * 0.5f * scale.z);
		const Tuple3f position = transform->GetWorldPosition();
		for (int row = 0; row < 3; ++row)
		{
			const float reach = std::fabs(rotation.At(row, 0) * half.x) + std::fabs(rotation.At(row, 1) * half.y) +
				std::fabs(rotation.At(row, 2) * half.z);
			box[static_cast<std::size_t>(row)] = position[row] + centre[row] - reach;
			box[static_cast<std::size_t>(row) + 3] = position[row] + centre[row] + reach;
		}
		return true;
	}
}

Graphics* Graphics::Find()
{
	const Engine* engine = Engine::Instance();
	return engine != nullptr ? engine->GetSystem<Graphics>() : nullptr;
}

void Graphics::LoadConfig(Config& section)
{
	bufferWidth = section.GetInt("bufferWidth", bufferWidth);
	bufferHeight = section.GetInt("bufferHeight", bufferHeight);
	bitsPerPixel = section.GetInt("bpp", bitsPerPixel);
	baseFOV = section.GetFloat("baseFOV", baseFOV);
	fullscreen = section.GetBool("fullscreen", fullscreen);
	viewWidth = section.GetInt("viewWidth", bufferWidth);
	viewHeight = section.GetInt("viewHeight", bufferHeight);
	RegisterHandler("LostDevice", &Graphics::OnLostDevice);
	RegisterHandler("LosingDevice", &Graphics::OnLosingDevice);
	RegisterHandler("Pause", &Graphics::OnPause);
	// The level editor holds the world's logic, and with it what the models act out.
	RegisterHandler("PauseLogic", &Graphics::OnPauseLogic);
}

void Graphics::OnPause(Message::Reader reader)
{
	animationPauses.Set(PauseHolds::Holder::Game, reader.Read<bool>());
}

void Graphics::OnPauseLogic(Message::Reader reader)
{
	animationPauses.Set(PauseHolds::Holder::Editor, reader.Read<bool>());
}

void Graphics::Initialize()
{
	TakeWindowSize();
	InitTextureFormatTable();
	RegisterComponentTypes();
	DebugDraw::DrawLine = &QueueDebugLine;
	DebugDraw::DrawSphereUniform = &QueueDebugSphere;
	// Without an OpenGL context (a headless game) the system keeps its lists and queues only.
	if (!HasGLContext())
		return;
	glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
	glClearDepth(1.0);
	SetViewport();
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
	DeleteRenderTargets();
	CreateRenderTargets();
	glDepthFunc(GL_LEQUAL);
	glEnable(GL_DEPTH_TEST);
	glAlphaFunc(GL_GREATER, 0.0f);
	glEnable(GL_ALPHA_TEST);
	glEnable(GL_LIGHTING);
	glEnable(GL_CULL_FACE);
	glEnable(GL_BLEND);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void Graphics::RegisterComponentTypes()
{
	// The order fixes the type ids of these components when nothing asked for them earlier.
	Camera::Register();
	Shader::Register();
	Primitive::Register();
	Texture::Register();
	DiffuseTexture::Register();
	Skybox::Register();
	Light::Register();
	CompositePrimitive::Register();
	PixelBuffer::Register();
	OrthoPlane::Register();
	Model::Register();
	DebugPrim::Register();
	EmissiveTexture::Register();
	AmbientTexture::Register();
	SpecularTexture::Register();
	Billboard::Register();
	PointSprite::Register();
	ConnectionReader::Register();
	TextureTransform::Register();
	GolemModel::Register();
}

void Graphics::FrameWithoutCamera()
{
	RenderIntoWindow();
	glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
	// The pause menu and the pages must show even where there is no world to look at.
	ScreenPlanePass();
	primitiveQueue.clear();
	lineQueue.clear();
	SDL_GL_SwapBuffers();
}

Camera* Graphics::GetActiveCamera() const
{
	return cameras.empty() ? nullptr : static_cast<Camera*>(FindComponent(cameras.back(), Camera::TypeId()));
}

void Graphics::AddCamera(unsigned objectId)
{
	RemoveCamera(objectId);
	cameras.push_back(objectId);
}

void Graphics::RemoveCamera(unsigned objectId)
{
	cameras.erase(std::remove(cameras.begin(), cameras.end(), objectId), cameras.end());
}

void Graphics::Shutdown()
{
	ReleaseShaderCaches();
	ReleasePrimitiveCache();
	ReleaseTextureCache();
	ReleaseAllModels();
	DeleteRenderTargets();
}

void Graphics::Reload()
{
	if (!HasGLContext())
		return;
	// Deleted first: a level change reaches here with the previous level's targets still alive.
	DeleteRenderTargets();
	CreateRenderTargets();
	shaders.ForEach([](Shader* shader) { shader->Reload(); });
	textures.ForEach([](Texture* texture) { texture->Reload(); });
	pointSprites.ForEach([](PointSprite* sprite) { sprite->Reload(); });
	models.ForEach([](Model* model) { model->ReloadMedia(); });
}

void Graphics::AddShader(Shader* shader)
{
	const unsigned program = shader->GetProgram();
	shaders.InsertOrdered(shader, [program](const Shader* listed) { return listed->GetProgram() <= program; });
}

bool Graphics::IsOutsideView(const Component* component)
{
	const Graphics* graphics = Find();
	Composition* object = component != nullptr ? component->owner : nullptr;
	if (graphics == nullptr || object == nullptr)
		return false;
	const Body* body = object->GetComponent<Body>();
	const Collider* collider = body != nullptr ? body->GetCollider() : nullptr;
	std::array<float, 6> meshBox{};
	if (collider == nullptr && !MeshWorldBox(*component, *object, meshBox))
		return false;
	const float* box = collider != nullptr ? collider->GetBounds() : meshBox.data();
	for (const Tuple4f& plane : graphics->frustumPlanes)
	{
		// No view has been set up yet: nothing is culled.
		if (plane.x == 0.0f && plane.y == 0.0f && plane.z == 0.0f)
			continue;
		// The corner of the box deepest inside the plane: when even it lies outside, all do.
		const Tuple3f deepest(plane.x >= 0.0f ? box[0] : box[3], plane.y >= 0.0f ? box[1] : box[4],
			plane.z >= 0.0f ? box[2] : box[5]);
		if (plane.x * deepest.x + plane.y * deepest.y + plane.z * deepest.z >= plane.w)
			return true;
	}
	return false;
}

void Graphics::OnLosingDevice(Message::Reader)
{
	ReleaseShaderCaches();
	ReleasePrimitiveBuffers();
	ReleaseTextureCache();
	ReleaseAllModels();
	DeleteRenderTargets();
}

void Graphics::OnLostDevice(Message::Reader)
{
	TakeWindowSize();
	SetViewport();
	Reload();
}

void Graphics::TakeWindowSize()
{
	const Engine* engine = Engine::Instance();
	const Window* window = engine != nullptr ? engine->GetSystem<Window>() : nullptr;
	if (window == nullptr)
		return;
	bufferWidth = viewWidth = window->GetWidth();
	bufferHeight = viewHeight = window->GetHeight();
}

void Graphics::SetViewport() const
{
	const Tuple4<int> viewport = FitViewport(viewWidth, viewHeight, bufferWidth, bufferHeight);
	glViewport(viewport.x, viewport.y, viewport.z, viewport.w);
}

Tuple4<int> Graphics::FitViewport(int viewWidth, int viewHeight, int bufferWidth, int bufferHeight)
{
	const float viewAspect = static_cast<float>(viewWidth) / static_cast<float>(viewHeight);
	const float bufferAspect = static_cast<float>(bufferWidth) / static_cast<float>(bufferHeight);
	int x = 0;
	int y = 0;
	if (viewAspect > bufferAspect)
		x = (viewWidth - static_cast<int>(static_cast<float>(viewHeight) * bufferAspect)) / 2;
	else if (viewAspect < bufferAspect)
		y = (viewHeight - static_cast<int>(static_cast<float>(viewWidth) / bufferAspect)) / 2;
	return Tuple4<int>(x, y, viewWidth - 2 * x, viewHeight - 2 * y);
}

void Graphics::CreateRenderTargets()
{
	glGenFramebuffers(1, &frameBuffer);
	glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
	glGenRenderbuffers(1, &depthBuffer);
	glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
	glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, viewWidth, viewHeight);
	glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
	const auto makeTexture = [this](unsigned& texture, GLint internalFormat, GLenum format) {
		glGenTextures(1, &texture);
		glBindTexture(GL_TEXTURE_2D, texture);
		glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, viewWidth, viewHeight, 0, format, GL_FLOAT, nullptr);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
		// The passes read these at the centre of the pixel they shade, where filtering blends
		// nothing: nearest reads one texel where linear reads four.
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
		glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
		glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
	};
	makeTexture(geometryBuffer, GL_RGBA16F, GL_RGBA);
	makeTexture(lightBuffer, GL_RGBA16F, GL_RGBA);
	makeTexture(singleChannelBuffer, GL_R32F, GL_RED);
	glBindTexture(GL_TEXTURE_2D, 0);
}

void Graphics::DeleteRenderTargets()
{
	if (frameBuffer == 0)
		return;
	if (HasGLContext())
	{
		glBindFramebuffer(GL_FRAMEBUFFER, 0);
		glBindRenderbuffer(GL_RENDERBUFFER, 0);
		glBindTexture(GL_TEXTURE_2D, 0);
		glDeleteFramebuffers(1, &frameBuffer);
		glDeleteRenderbuffers(1, &depthBuffer);
		glDeleteTextures(1, &geometryBuffer);
		glDeleteTextures(1, &lightBuffer);
		glDeleteTextures(1, &singleChannelBuffer);
	}
	frameBuffer = depthBuffer = geometryBuffer = lightBuffer = singleChannelBuffer = 0;
}
