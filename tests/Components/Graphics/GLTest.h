// The one fixture of every test that draws: a 320x240 window with its OpenGL context (the Window
// system) and the Graphics system, in an engine whose data folder is the game's own Data, so the
// shipped shaders load by name. Needs an X display (xvfb-run). Objects made by a test, and the
// caches the test filled, are gone after it.
#pragma once

#include "Component.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/TestEngine.h"
#include "Systems/Window.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace test
{
	// One component element of an object: its name, then its values in load order.
	inline std::string ComponentXml(const std::string& name, const std::string& values)
	{
		return "<Component><string>" + name + "</string>" + values + "</Component>";
	}

	inline std::string TransformXml(const std::string& position, const std::string& scale = "1 1 1",
		const std::string& degrees = "0 0 0")
	{
		return ComponentXml("Transform", "<Tuple3f>" + position + "</Tuple3f><Tuple3f>" + scale + "</Tuple3f><Tuple3f>" + degrees +
				"</Tuple3f>");
	}

	// A camera with a 60 degree field of view (the Graphics default) and no pitch limits to speak of.
	inline std::string CameraXml(const std::string& direction, float nearClip = 1.0f, float farClip = 100.0f)
	{
		return ComponentXml("Camera", "<Tuple3f>" + direction +
				"</Tuple3f><float>0</float><float>0</float><float>0</float><float>0</float><float>" + std::to_string(nearClip) +
				"</float><float>" + std::to_string(farClip) + "</float><float>89</float><float>-89</float><Tuple3f>0 0 0</Tuple3f>");
	}

	inline std::string LightXml(const std::string& type, const std::string& direction, const std::string& colour,
		const std::string& attenuation = "1 0 0", float radius = 0.0f)
	{
		return ComponentXml("Light", "<bool>true</bool><Tuple3f>" + direction + "</Tuple3f><string>" + type +
				"</string><Tuple4f>0 0 0 1</Tuple4f><Tuple4f>" + colour + "</Tuple4f><Tuple4f>1 1 1 1</Tuple4f><Tuple3f>" +
				attenuation + "</Tuple3f><float>0</float><float>0</float><float>3.40282e+38</float><float>" +
				std::to_string(radius) + "</float>");
	}

	// A shape drawn with the shader and diffuse image given (the image found in the game's data).
	inline std::string ShapeXml(const std::string& shape, int stacks, int slices, const std::string& shader = "Forward",
		const std::string& image = "", const std::string& scale = "1 1")
	{
		std::string xml = ComponentXml("Shader", "<string>" + shader + "</string>") +
			ComponentXml("Primitive", "<string>" + shape + "</string><int>" + std::to_string(stacks) + "</int><int>" +
				std::to_string(slices) + "</int>");
		if (!image.empty())
			xml += ComponentXml("DiffuseTexture", "<string>" + image + "</string><string>GL_RGBA8</string><Tuple2f>" + scale + "</Tuple2f>");
		return xml;
	}

	// What the component writes, as the file text.
	inline std::string SavedText(Component& component)
	{
		Serializer writer;
		component.Serialize(writer);
		std::ostringstream text;
		writer.SaveToStream(text);
		return text.str();
	}

	inline constexpr int kGLTestWidth = 320;
	inline constexpr int kGLTestHeight = 240;

	class GLTest : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			if (!std::getenv("DISPLAY"))
				GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
			engine = std::make_unique<TestEngine>("<Config><Window><Width>" + std::to_string(kGLTestWidth) + "</Width><Height>"
				+ std::to_string(kGLTestHeight) + "</Height><Fullscreen>false</Fullscreen></Window>" + GraphicsSettings()
				+ "</Config>");
			engine->engine->AddSystem(new Window());
			graphics = new Graphics();
			engine->engine->AddSystem(graphics);
			ExpectNoGLError("opening the window");
		}

		void TearDown() override
		{
			if (!engine)
				return;
			ExpectNoGLError("the test");
			DestroyAllObjects();
			engine.reset();
		}

		// The "Graphics" element of the configuration.
		virtual std::string GraphicsSettings() const { return "<Graphics/>"; }

		static void ExpectNoGLError(const std::string& step)
		{
			for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError())
				ADD_FAILURE() << "OpenGL error 0x" << std::hex << error << " after " << step;
		}

		// A new object with the components read from XML ("<Transform>...</Transform><Primitive>...").
		static Composition* MakeObject(const std::string& componentsXml, const std::string& name = "Thing")
		{
			Object object = CreateObject(name);
			std::istringstream text("<Object>" + componentsXml + "</Object>");
			Serializer serializer;
			EXPECT_TRUE(serializer.LoadFromStream(text, "test object " + std::to_string(++madeObjects)));
			object.object->Load(serializer, 0);
			return object.object;
		}

		// The window's frame buffer cleared to black, with an orthographic view of x and y in [-1, 1].
		static void BeginFlatFrame()
		{
			// The renderer leaves its own frame buffer bound after creating it.
			glBindFramebuffer(GL_FRAMEBUFFER, 0);
			glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
			glMatrixMode(GL_PROJECTION);
			glLoadIdentity();
			glOrtho(-1, 1, -1, 1, -1, 1);
			glMatrixMode(GL_MODELVIEW);
			glLoadIdentity();
		}

		// A new object made from the XML and started, as a level load starts its objects.
		static Composition* StartedObject(const std::string& componentsXml, const std::string& name = "Thing")
		{
			Composition* object = MakeObject(componentsXml, name);
			object->Start();
			return object;
		}

		// RGBA bytes of the window's back buffer, bottom row first. Mesa's software renderer keeps the
		// back buffer through a swap, so this is also the frame just presented (its front buffer
		// reads back black from an Xvfb window).
		static std::vector<unsigned char> ReadPixels(GLenum buffer = GL_BACK, int width = kGLTestWidth, int height = kGLTestHeight)
		{
			std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
			glBindFramebuffer(GL_FRAMEBUFFER, 0);
			glPixelStorei(GL_PACK_ALIGNMENT, 1);
			glReadBuffer(buffer);
			glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
			return pixels;
		}

		std::unique_ptr<TestEngine> engine;
		// Owned by the engine.
		Graphics* graphics = nullptr;

	private:
		static inline int madeObjects = 0;
	};
}
