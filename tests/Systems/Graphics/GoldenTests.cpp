#include "Systems/Graphics/Graphics.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/GoldenImage.h"

namespace render_tests
{
	class Golden : public test::GLTest
	{
	protected:
		// A textured crate on a checker floor, under a directional and an orange omni light.
		static void LitCubeScene()
		{
			StartedObject(test::TransformXml("0 1.6 4") + test::CameraXml("0 -0.35 -1", 0.1f, 50.0f), "Viewer");
			StartedObject(test::TransformXml("0 0 0", "12 12 1", "-90 0 0") + test::ShapeXml("plane", 4, 4, "Forward", "Checker.png", "6 6"));
			StartedObject(test::TransformXml("0 0.75 0", "1.5 1.5 1.5", "0 35 0") + test::ShapeXml("cube", 1, 1, "Forward", "Crate.png"));
			StartedObject(test::TransformXml("0 5 0") + test::LightXml("DIRECTIONAL", "-0.4 -1 -0.5", "0.55 0.55 0.5 1"));
			StartedObject(test::TransformXml("1.3 0.6 1.2") + test::LightXml("OMNI", "0 -1 0", "1.6 0.6 0.2 1", "1 0.3 0.2", 5.0f));
		}

		static void SkyScene()
		{
			StartedObject(test::TransformXml("3 1 -2") + test::CameraXml("0.3 0.2 -1", 0.1f, 100.0f), "Viewer");
			StartedObject(test::TransformXml("0 0 0", "60 60 60") + test::ComponentXml("Skybox", "<bool>true</bool><float>1</float>") +
				test::ShapeXml("sphere", 16, 24, "HUDShader", "Sky.png"));
		}

		static test::Image RenderedFrame()
		{
			Graphics::Find()->Update();
			return test::ImageFromPixels(ReadPixels(), test::kGLTestWidth, test::kGLTestHeight);
		}

		void SendEngineWide(const char* name)
		{
			Message message(name);
			Engine::SendMessage(message);
		}
	};

	TEST_F(Golden, LitTexturedCube)
	{
		LitCubeScene();
		test::ExpectMatchesGolden(RenderedFrame(), "LitCube");
	}

	TEST_F(Golden, SkyAroundTheEye)
	{
		SkyScene();
		test::ExpectMatchesGolden(RenderedFrame(), "Sky");
	}

	TEST_F(Golden, ADeviceLossGivesTheSameImage)
	{
		LitCubeScene();
		const test::Image before = RenderedFrame();
		SendEngineWide("LosingDevice");
		SendEngineWide("LostDevice");
		const test::Image after = RenderedFrame();
		EXPECT_LE(test::MeanAbsoluteError(before, after), 2.0 / 255.0 * 255.0);
		EXPECT_GT(test::MeanAbsoluteError(before, test::Image{before.width, before.height, std::vector<unsigned char>(before.rgb.size(), 0)}), 20.0)
			<< "the frame shows something";
	}
}
