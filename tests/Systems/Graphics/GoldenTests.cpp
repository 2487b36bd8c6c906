#include "Systems/Graphics/Graphics.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/GoldenImage.h"
#include "Components/Graphics/ModelFileWriter.h"
#include "Components/Graphics/PixelBuffer.h"
#include "Components/Transform.h"
#include "TempFolder.h"

#include <array>

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

		// An eye at z = 4 looking down -z at the origin, with a white light shining the same way.
		static void FacingScene(float nearClip = 0.1f)
		{
			StartedObject(test::TransformXml("0 1 4") + test::CameraXml("0 0 -1", nearClip, 50.0f), "Viewer");
			StartedObject(test::TransformXml("0 5 5") + test::LightXml("DIRECTIONAL", "0 0 -1", "1 1 1 1"));
		}

		// A square of the given size facing the eye, centred at (x, y, z).
		static std::string Square(const std::string& position, float size = 1.0f)
		{
			const std::string side = std::to_string(size);
			return test::TransformXml(position, side + " " + side + " 1");
		}

		static std::string ModelXml(const std::string& file)
		{
			return test::ComponentXml("Shader", "<string>Forward</string>") +
				test::ComponentXml("Model", "<string>" + file + "</string><bool>true</bool><float>0.025</float><bool>false</bool>");
		}

		// A 4x2 pixel buffer whose left half is red and right half green, showing the bounds given.
		static std::string PixelBufferXml(const std::string& bounds)
		{
			return test::ComponentXml("PixelBuffer",
				"<Tuple2i>4 2</Tuple2i><Tuple4i>" + bounds + "</Tuple4i><string>GL_RGBA</string><string>GL_RGBA8</string>");
		}

		static void FillRedGreen(Composition* object)
		{
			std::vector<unsigned char> pixels;
			for (int y = 0; y < 2; ++y)
				for (int x = 0; x < 4; ++x)
					pixels.insert(pixels.end(), {static_cast<unsigned char>(x < 2 ? 255 : 0), static_cast<unsigned char>(x < 2 ? 0 : 255), 0, 255});
			object->GetComponent<::PixelBuffer>()->WritePixels(pixels.data(), Tuple4<int>(0, 0, 4, 2), 16);
		}

		// The mean colour of the image's rectangle (left, top, right, bottom) in pixels, top row 0.
		static std::array<double, 3> MeanColour(const test::Image& image, int left, int top, int right, int bottom)
		{
			std::array<double, 3> sum{};
			for (int y = top; y < bottom; ++y)
				for (int x = left; x < right; ++x)
					for (int c = 0; c < 3; ++c)
						sum[static_cast<std::size_t>(c)] += image.rgb[static_cast<std::size_t>(3 * (y * image.width + x) + c)];
			const double count = static_cast<double>((right - left) * (bottom - top));
			return {sum[0] / count, sum[1] / count, sum[2] / count};
		}

		static std::array<double, 3> CentreColour(const test::Image& image)
		{
			return MeanColour(image, image.width / 2 - 4, image.height / 2 - 4, image.width / 2 + 4, image.height / 2 + 4);
		}
	};

	// Unlit, a white surface shows only the ambient 0.15 (38 of 255).
	constexpr double kAmbientOnly = 0.15 * 255.0;

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

	TEST_F(Golden, ABentSkinnedModelIsDrawnBentInEveryPass)
	{
		FacingScene();
		Composition* reed = StartedObject(test::TransformXml("0 0 0") + ModelXml("Reed.model") +
			test::ComponentXml("BoneTransform", "<Bone><string>Stem</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f></Bone>"
				"<Bone><string>Tip</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 1 0</Tuple3f></Bone>"));
		reed->HandleMessage(Message("SetAnimation").AddArgument(std::string("Still")));
		reed->HandleMessage(Message("Ragdoll").AddArgument(true));
		// The ragdoll carries the top of the stalk to x = 0.8.
		reed->GetComponent<BoneTransform>()->Find("Tip")->second.position = Tuple3f(0.8f, 1.0f, 0.0f);
		const test::Image frame = RenderedFrame();
		test::ExpectMatchesGolden(frame, "BentReed");

		// What the geometry pass saw and what the screen shows are the same pixels.
		std::vector<float> gBuffer(static_cast<std::size_t>(test::kGLTestWidth) * test::kGLTestHeight * 4);
		glBindTexture(GL_TEXTURE_2D, graphics->GetGeometryBuffer());
		glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, gBuffer.data());
		glBindTexture(GL_TEXTURE_2D, 0);
		int inGBuffer = 0, onScreen = 0, inBoth = 0;
		for (int y = 0; y < test::kGLTestHeight; ++y)
			for (int x = 0; x < test::kGLTestWidth; ++x)
			{
				const float* normal = &gBuffer[static_cast<std::size_t>(4 * ((test::kGLTestHeight - 1 - y) * test::kGLTestWidth + x))];
				const bool covered = normal[0] != 0.0f || normal[1] != 0.0f || normal[2] != 0.0f;
				const bool shown = frame.rgb[static_cast<std::size_t>(3 * (y * frame.width + x))] > 0;
				inGBuffer += covered;
				onScreen += shown;
				inBoth += covered && shown;
			}
		EXPECT_GT(inGBuffer, 200);
		EXPECT_GE(inBoth, onScreen * 9 / 10) << inGBuffer << " G-buffer pixels, " << onScreen << " on screen";
	}

	TEST_F(Golden, AnOmniLightAroundTheEyeLightsTheFloor)
	{
		StartedObject(test::TransformXml("0 1 2") + test::CameraXml("0 -0.5 -1", 0.1f, 50.0f), "Viewer");
		StartedObject(test::TransformXml("0 0 0", "12 12 1", "-90 0 0") + test::ShapeXml("plane", 4, 4));
		StartedObject(test::TransformXml("0 1 1.5") + test::LightXml("OMNI", "0 -1 0", "1 0.8 0.6 1", "1 0.1 0", 8.0f));
		const test::Image frame = RenderedFrame();
		test::ExpectMatchesGolden(frame, "OmniAroundTheEye");
		EXPECT_GT(MeanColour(frame, 0, frame.height / 2, frame.width, frame.height)[0], 2 * kAmbientOnly);
	}

	TEST_F(Golden, ADirectionalLightLightsASurfaceCloseToTheNearPlane)
	{
		FacingScene(1.0f);
		StartedObject(Square("0 1 2.5", 4.0f) + test::ShapeXml("plane", 1, 1));
		const test::Image frame = RenderedFrame();
		test::ExpectMatchesGolden(frame, "NearSurfaceLit");
		EXPECT_GT(CentreColour(frame)[1], 200.0) << "the surface 1.5 near distances away is lit";
	}

	TEST_F(Golden, ARigidMeshBesideAOneBoneSkeletonIsLit)
	{
		test::TempFolder folder;
		test::ModelFileWriter::Bytes vertices;
		for (const auto& [x, y] : {std::pair{-1.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 2.0f}, {-1.0f, 2.0f}})
			test::ModelFileWriter::Floats(vertices, {x, y, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f});
		test::ModelFileWriter()
			.Mesh(0, {0, 1, 2, 0, 2, 3}, 4, vertices)
			.Skeleton({{"Root", Model::Bone::kNoParent, {}, {}, {}, {}}})
			.EndMarker()
			.Save(folder.Path() + "Board.model");
		FacingScene();
		StartedObject(test::TransformXml("0 0 0") + ModelXml(folder.Path() + "Board.model"));
		const test::Image frame = RenderedFrame();
		test::ExpectMatchesGolden(frame, "RigidModelWithSkeleton");
		EXPECT_GT(CentreColour(frame)[0], 200.0);
	}

	TEST_F(Golden, APixelBufferShowsOnlyItsDisplayBounds)
	{
		FacingScene();
		Composition* board = StartedObject(Square("0 1 0", 2.0f) + test::ShapeXml("plane", 1, 1, "HUDShader") + PixelBufferXml("2 0 4 2"));
		FillRedGreen(board);
		const test::Image frame = RenderedFrame();
		test::ExpectMatchesGolden(frame, "PixelBufferRightHalf");
		const std::array<double, 3> shown = MeanColour(frame, 130, 90, 190, 150);
		EXPECT_GT(shown[1], 200.0);
		EXPECT_LT(shown[0], 20.0) << "the left half of the buffer is outside the bounds";
	}

	TEST_F(Golden, EachObjectShowsItsOwnTextureAfterAPixelBuffer)
	{
		FacingScene();
		StartedObject(Square("-1.2 1 0") + test::ShapeXml("plane", 1, 1, "HUDShader", "Marble.png"));
		FillRedGreen(StartedObject(Square("0 1 0") + test::ShapeXml("plane", 1, 1, "HUDShader") + PixelBufferXml("0 0 4 2")));
		StartedObject(Square("1.2 1 0") + test::ShapeXml("plane", 1, 1, "HUDShader", "Marble.png"));
		const test::Image frame = RenderedFrame();
		test::ExpectMatchesGolden(frame, "TextureAfterPixelBuffer");
		const std::array<double, 3> first = MeanColour(frame, 88, 110, 108, 130);
		const std::array<double, 3> third = MeanColour(frame, 212, 110, 232, 130);
		for (std::size_t c = 0; c < 3; ++c)
			EXPECT_NEAR(third[c], first[c], 10.0) << "channel " << c;
	}

	TEST_F(Golden, AnUntexturedObjectKeepsItsColourWhateverWasDrawnBefore)
	{
		FacingScene();
		StartedObject(Square("-0.8 1 0") + test::ShapeXml("plane", 1, 1, "Forward", "Crate.png"));
		StartedObject(Square("0.8 1 0") + test::ShapeXml("plane", 1, 1));
		const test::Image frame = RenderedFrame();
		test::ExpectMatchesGolden(frame, "UntexturedAfterTextured");
		// White, fully lit: the crate drawn before it leaves no trace.
		const std::array<double, 3> plain = MeanColour(frame, 191, 110, 211, 130);
		for (std::size_t c = 0; c < 3; ++c)
			EXPECT_NEAR(plain[c], 255.0, 3.0) << "channel " << c;
	}
}
