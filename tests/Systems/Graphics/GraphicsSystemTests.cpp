#include "Systems/Graphics/Graphics.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/Primitive.h"
#include "ComponentFactory.h"
#include "Utilities/Config.h"

#include <gmock/gmock.h>

#include <set>

using ::testing::ElementsAre;

namespace render_tests
{
	class GraphicsSystem : public test::GLTest
	{
	protected:
		static GLint AttachmentFormat(unsigned texture)
		{
			GLint format = 0;
			glBindTexture(GL_TEXTURE_2D, texture);
			glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
			glBindTexture(GL_TEXTURE_2D, 0);
			return format;
		}

		void ExpectCompleteTargets()
		{
			ASSERT_NE(graphics->GetFrameBuffer(), 0u);
			glBindFramebuffer(GL_FRAMEBUFFER, graphics->GetFrameBuffer());
			EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
			GLint depthBits = 0;
			glBindRenderbuffer(GL_RENDERBUFFER, graphics->GetDepthBuffer());
			glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_DEPTH_SIZE, &depthBits);
			EXPECT_EQ(depthBits, 24);
			glBindFramebuffer(GL_FRAMEBUFFER, 0);
			EXPECT_EQ(AttachmentFormat(graphics->GetGeometryBuffer()), GL_RGBA16F);
			EXPECT_EQ(AttachmentFormat(graphics->GetLightBuffer()), GL_RGBA16F);
		}

		void Send(const char* name)
		{
			Message message(name);
			Engine::SendMessage(message);
		}
	};

	TEST_F(GraphicsSystem, ConfiguredSizesGiveWayToTheWindows)
	{
		const struct
		{
			const char* settings;
			int bufferWidth;
			int viewWidth;
			float baseFOV;
		} cases[] = {
			{"", 800, 800, 60.0f},
			{"<bufferWidth>1024</bufferWidth>", 1024, 1024, 60.0f},
			{"<bufferWidth>1024</bufferWidth><viewWidth>640</viewWidth><baseFOV>75</baseFOV>", 1024, 640, 75.0f},
		};
		for (const auto& c : cases)
		{
			engine->userFolder.WriteFile("graphics.cfg", std::string("<Config><Graphics>") + c.settings + "</Graphics></Config>");
			ConfigFile file = Config::Load(engine->userFolder.Path() + "graphics.cfg");
			Config section = static_cast<const Config&>(file).GetSection("Graphics");
			Graphics configured;
			configured.LoadConfig(section);
			EXPECT_EQ(configured.GetBufferWidth(), c.bufferWidth) << c.settings;
			EXPECT_EQ(static_cast<int>(configured.GetScreenWidth()), c.viewWidth) << c.settings;
			EXPECT_EQ(configured.GetBaseFOV(), c.baseFOV) << c.settings;
		}
		EXPECT_EQ(graphics->GetBufferWidth(), test::kGLTestWidth);
		EXPECT_EQ(graphics->GetScreenWidth(), static_cast<unsigned>(test::kGLTestWidth));
		EXPECT_EQ(graphics->GetScreenHeight(), static_cast<unsigned>(test::kGLTestHeight));
		GLint viewport[4];
		glGetIntegerv(GL_VIEWPORT, viewport);
		EXPECT_THAT(viewport, ElementsAre(0, 0, test::kGLTestWidth, test::kGLTestHeight));
	}

	TEST_F(GraphicsSystem, ViewportKeepsTheBuffersAspectWithBars)
	{
		EXPECT_EQ(Graphics::FitViewport(1280, 720, 800, 600), Tuple4<int>(160, 0, 960, 720));
		EXPECT_EQ(Graphics::FitViewport(800, 800, 800, 600), Tuple4<int>(0, 100, 800, 600));
		EXPECT_EQ(Graphics::FitViewport(800, 600, 800, 600), Tuple4<int>(0, 0, 800, 600));
		EXPECT_EQ(Graphics::FitViewport(801, 600, 800, 600), Tuple4<int>(0, 0, 801, 600)) << "the odd pixel is not a bar";
	}

	TEST_F(GraphicsSystem, FrameBufferIsCompleteAfterStartAndAfterADeviceLoss)
	{
		ExpectCompleteTargets();
		Composition* object = MakeObject(test::ComponentXml("Shader", "<string>Debug</string>") +
			test::ComponentXml("Texture", "<string>NoSuchImage.png</string><string>GL_RGBA8</string>") +
			test::TransformXml("0 0 0") +
			test::ComponentXml("Primitive", "<string>cube</string><int>1</int><int>1</int>"));
		object->Start();
		const PrimitiveEntry* mesh = object->GetComponent<Primitive>()->GetMesh();
		Send("LosingDevice");
		EXPECT_EQ(graphics->GetFrameBuffer(), 0u);
		Send("LostDevice");
		ExpectCompleteTargets();
		EXPECT_NE(object->GetComponent<Shader>()->GetProgram(), 0u) << "programs are fetched again";
		EXPECT_NE(object->GetComponent<::Texture>()->GetEntry(), nullptr) << "textures are fetched again";
		EXPECT_EQ(object->GetComponent<Primitive>()->GetMesh(), mesh) << "meshes are kept";
		EXPECT_EQ(mesh->count, 1u);
	}

	TEST_F(GraphicsSystem, ReloadDeletesTheTargetsItReplaces)
	{
		const unsigned frameBuffer = graphics->GetFrameBuffer();
		const unsigned geometryBuffer = graphics->GetGeometryBuffer();
		const unsigned lightBuffer = graphics->GetLightBuffer();
		graphics->Reload();
		EXPECT_FALSE(glIsFramebuffer(frameBuffer));
		EXPECT_FALSE(glIsTexture(geometryBuffer));
		EXPECT_FALSE(glIsTexture(lightBuffer));
		ExpectCompleteTargets();
	}

	// Type ids are handed out once per process, in the order types are first registered: a test run
	// earlier in the same process may have registered some of these already, so only each type's
	// own id and prototype are checked, not their order.
	TEST_F(GraphicsSystem, RegistersEachOfItsComponentTypes)
	{
		const char* names[] = {"Shader", "Primitive", "Texture", "Skybox", "Light", "CompositePrimitive", "PixelBuffer",
			"OrthoPlane", "EmissiveTexture", "AmbientTexture", "SpecularTexture", "Billboard", "PointSprite",
			"ConnectionReader", "TextureTransform"};
		std::set<unsigned> typeIds;
		for (const char* name : names)
		{
			const unsigned typeId = ComponentTypeIdFromName(name);
			EXPECT_TRUE(typeIds.insert(typeId).second) << name << " shares its type id with another";
			const Component* prototype = GetComponentPrototype(typeId);
			ASSERT_NE(prototype, nullptr) << name;
			EXPECT_EQ(prototype->GetName(), name);
		}
	}

	TEST_F(GraphicsSystem, CameraListHoldsEachObjectOnceTheLatestLast)
	{
		graphics->AddCamera(3);
		graphics->AddCamera(5);
		graphics->AddCamera(3);
		EXPECT_THAT(graphics->GetCameras(), ElementsAre(5u, 3u));
		graphics->RemoveCamera(3);
		EXPECT_THAT(graphics->GetCameras(), ElementsAre(5u));
	}

	TEST_F(GraphicsSystem, ListsKeepStartOrderAndSurviveRemovalDuringAWalk)
	{
		std::vector<Composition*> objects;
		for (int i = 0; i < 5; ++i)
		{
			objects.push_back(MakeObject(test::ComponentXml("Texture", "<string>NoSuchImage.png</string><string>GL_RGBA8</string>")));
			objects.back()->Start();
		}
		std::vector<Composition*> walked;
		graphics->Textures().ForEach([&](::Texture* texture) {
			walked.push_back(texture->owner);
			// The first member leaves, and takes the third with it; the walk goes on.
			if (texture->owner == objects[0])
			{
				texture->Detach();
				objects[2]->GetComponent<::Texture>()->Detach();
			}
		});
		EXPECT_THAT(walked, ElementsAre(objects[0], objects[1], objects[3], objects[4]));
		std::vector<Composition*> left;
		graphics->Textures().ForEach([&](::Texture* texture) { left.push_back(texture->owner); });
		EXPECT_THAT(left, ElementsAre(objects[1], objects[3], objects[4]));
		EXPECT_EQ(graphics->Textures().Count(), 3u);
	}
}
