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

		// RGBA bytes of the window's back buffer, bottom row first.
		static std::vector<unsigned char> ReadPixels(int width = kGLTestWidth, int height = kGLTestHeight)
		{
			std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
			glPixelStorei(GL_PACK_ALIGNMENT, 1);
			glReadBuffer(GL_BACK);
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
