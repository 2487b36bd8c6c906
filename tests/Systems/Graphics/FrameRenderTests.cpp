#include "Systems/Graphics/Graphics.h"

#include "Components/Graphics/Camera.h"
#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/PointSprite.h"
#include "Components/Graphics/Primitive.h"
#include "Components/Graphics/Model.h"
#include "Components/Graphics/Shader.h"
#include "Utilities/SearchPaths.h"
#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>

#include <array>

using ::testing::ElementsAre;

namespace render_tests
{
	class FrameRender : public test::GLTest
	{
	protected:
		// The level-0 texels of a render target, RGBA floats.
		static std::vector<float> TargetTexels(unsigned texture)
		{
			std::vector<float> texels(static_cast<std::size_t>(test::kGLTestWidth) * test::kGLTestHeight * 4);
			glBindTexture(GL_TEXTURE_2D, texture);
			glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
			glBindTexture(GL_TEXTURE_2D, 0);
			return texels;
		}

		// The largest value of one channel (0 red ... 3 alpha) of RGBA texels.
		static float Largest(const std::vector<float>& texels, int channel)
		{
			float largest = 0.0f;
			for (std::size_t i = static_cast<std::size_t>(channel); i < texels.size(); i += 4)
				largest = std::max(largest, texels[i]);
			return largest;
		}

		Composition* StartedCamera(const std::string& position = "0 0 0", const std::string& direction = "0 0 -1")
		{
			return StartedObject(test::TransformXml(position) + test::CameraXml(direction), "Viewer");
		}

		// The frame up to its passes, without the swap.
		void PrepareFrame()
		{
			Camera* camera = graphics->GetActiveCamera();
			camera->Update();
			graphics->UpdateFrustum(camera);
			graphics->BuildDrawList();
		}
	};

	TEST_F(FrameRender, FrustumPlanesOfALevelCameraAtTheOrigin)
	{
		StartedCamera();
		graphics->UpdateFrustum(graphics->GetActiveCamera());
		const auto& planes = graphics->GetFrustumPlanes();
		ExpectNear(planes[0], Tuple4f(0, 0, 1, -1), 1e-5);
		ExpectNear(planes[5], Tuple4f(0, 0, -1, 100), 1e-4);
		const float tangent = std::tan(0.5236f);
		const float half = tangent * 4.0f / 3.0f;
		// Every side plane leans out by the half angle, and its d is 0 through the eye.
		ExpectNear(planes[1], Tuple4f(-1, 0, half, 0) * static_cast<float>(1.0 / std::sqrt(1 + half * half)), 1e-4);
		ExpectNear(planes[3], Tuple4f(0, 1, tangent, 0) * static_cast<float>(1.0 / std::sqrt(1 + tangent * tangent)), 1e-4);
		EXPECT_EQ(graphics->GetEyePosition(), Tuple3f(0, 0, 0));
	}

	TEST_F(FrameRender, DrawListHoldsTheVisibleEntriesOwnersInListOrder)
	{
		Composition* first = StartedObject(test::TransformXml("0 0 -5") + test::ShapeXml("cube", 1, 1));
		Composition* second = StartedObject(test::TransformXml("1 0 -5") + test::ShapeXml("sphere", 4, 4));
		RenderEntry hidden;
		hidden.owner = first;
		hidden.kind = 0;
		hidden.predicate = [](const Component*) { return true; };
		RenderEntry kept;
		kept.owner = second;
		kept.kind = 7;
		kept.draw = true;
		graphics->RenderEntries().PushBack(&hidden);
		graphics->RenderEntries().PushBack(&kept);
		graphics->BuildDrawList();
		EXPECT_THAT(std::vector<Composition*>(graphics->GetDrawList().begin(), graphics->GetDrawList().end()),
			ElementsAre(first, second, second));
		EXPECT_FALSE(hidden.draw);
		graphics->RenderEntries().Remove(&hidden);
		graphics->RenderEntries().Remove(&kept);
	}

	TEST_F(FrameRender, GeometryPassWritesNormalsAndDepthsButNotTheSky)
	{
		StartedCamera();
		StartedObject(test::TransformXml("0 0 -5", "2 2 2") + test::ShapeXml("plane", 1, 1));
		StartedObject(test::TransformXml("0 0 0", "50 50 50") + test::ComponentXml("Skybox", "<bool>true</bool><float>1</float>") +
			test::ShapeXml("sphere", 8, 8, "HUDShader"));
		PrepareFrame();
		graphics->GeometryPass();
		const std::vector<float> texels = TargetTexels(graphics->GetGeometryBuffer());
		const std::size_t centre = 4 * ((test::kGLTestHeight / 2) * test::kGLTestWidth + test::kGLTestWidth / 2);
		EXPECT_NEAR(texels[centre + 2], 1.0f, 1e-3) << "the plane faces the camera: view-space normal +z";
		EXPECT_NEAR(texels[centre + 3], (5.0f - 1.0f) / 99.0f, 1e-3) << "linear depth between the clip planes";
		EXPECT_EQ(texels[3], 0.0f) << "the corner shows only sky, which the geometry pass leaves out";
		// Both programs have this frame's clip distances, though only one of them drew.
		for (const char* name : {"GeometryPass", "AnimatedGeometryPass"})
		{
			const unsigned program = GetShaderProgram(name)->media.program;
			GLfloat values[2] = {0, 0};
			glGetUniformfv(program, glGetUniformLocation(program, "clipNear"), &values[0]);
			glGetUniformfv(program, glGetUniformLocation(program, "invClipDiff"), &values[1]);
			EXPECT_EQ(values[0], 1.0f) << name;
			EXPECT_FLOAT_EQ(values[1], 1.0f / 99.0f) << name;
		}
	}

	TEST_F(FrameRender, LightsAddOnlyWhereTheyReach)
	{
		StartedCamera();
		StartedObject(test::TransformXml("0 0 -5", "8 8 1") + test::ShapeXml("plane", 1, 1));
		// A dim directional light first: its full-view quad must not hide the omni light's volume.
		StartedObject(test::TransformXml("0 5 0") + test::LightXml("DIRECTIONAL", "0 0 -1", "0 0 0.1 1"));
		StartedObject(test::TransformXml("-2 0 -4") + test::LightXml("OMNI", "0 -1 0", "1 0 0 1", "1 0 0", 4.0f));
		PrepareFrame();
		graphics->GeometryPass();
		graphics->LightPass();
		const std::vector<float> light = TargetTexels(graphics->GetLightBuffer());
		const auto at = [&](int x, int y) { return light[4 * (y * test::kGLTestWidth + x)]; };
		EXPECT_EQ(at(test::kGLTestWidth - 10, test::kGLTestHeight / 2), 0.0f) << "far right, out of the light's reach";
		EXPECT_NEAR(light[4 * ((test::kGLTestHeight / 2) * test::kGLTestWidth + test::kGLTestWidth - 10) + 2], 0.1f, 1e-3)
			<< "the directional light reaches everywhere";
		EXPECT_GT(Largest(light, 0), 0.5f) << "the red omni light";
		StartedObject(test::TransformXml("0 0 0") + test::LightXml("lamp", "0 -1 0", "0 1 0 1"));
		PrepareFrame();
		graphics->GeometryPass();
		graphics->LightPass();
		ExpectNoGLError("a light of an unknown type");
	}

	TEST_F(FrameRender, DebugPrimObjectsShowAsAWhiteCubeInsteadOfTheirShape)
	{
		StartedCamera();
		StartedObject(test::TransformXml("1 2 -6", "2 3 4") + test::ShapeXml("sphere", 6, 6) + test::ComponentXml("DebugPrim", ""));
		PrepareFrame();
		graphics->ForwardPass();
		ASSERT_EQ(graphics->GetPrimitiveQueue().size(), 1u);
		const Graphics::PrimDrawInfo& cube = graphics->GetPrimitiveQueue()[0];
		EXPECT_EQ(cube.shape, kCube);
		EXPECT_EQ(cube.position, Tuple3f(1, 2, -6));
		EXPECT_EQ(cube.scale, Tuple3f(2, 3, 4));
		EXPECT_EQ(cube.colour, Tuple4f(1, 1, 1, 1));
	}

	TEST_F(FrameRender, AnObjectsTextureScaleSurvivesWithoutATextureTransform)
	{
		StartedCamera();
		StartedObject(test::TransformXml("0 0 -5") + test::ShapeXml("plane", 1, 1, "Forward", "Checker.png", "6 4"));
		PrepareFrame();
		graphics->ForwardPass();
		glActiveTexture(GL_TEXTURE0);
		GLfloat matrix[16];
		glGetFloatv(GL_TEXTURE_MATRIX, matrix);
		EXPECT_EQ(matrix[0], 6.0f);
		EXPECT_EQ(matrix[5], 4.0f);
	}

	// The matrix a scale leaves is remembered across objects; one a transform loaded is not.
	TEST_F(FrameRender, AScaleAfterATextureTransformIsLoadedAgain)
	{
		StartedCamera();
		const auto plane = [this](const char* z, const std::string& extra) {
			StartedObject(test::TransformXml(z) + test::ShapeXml("plane", 1, 1, "Forward", "Checker.png", "6 4") + extra);
		};
		plane("0 0 -5", "");
		plane("0 0 -40", test::ComponentXml("TextureTransform", "<Tuple2f>0 0</Tuple2f><Tuple2f>3 3</Tuple2f><Tuple2f>0 0</Tuple2f>"));
		plane("0 0 -80", "");
		PrepareFrame();
		graphics->ForwardPass();
		glActiveTexture(GL_TEXTURE0);
		GLfloat matrix[16];
		glGetFloatv(GL_TEXTURE_MATRIX, matrix);
		EXPECT_EQ(matrix[0], 6.0f);
		EXPECT_EQ(matrix[5], 4.0f);
	}

	TEST_F(FrameRender, PointSpritesSortFarthestFirstAndEqualKeysSwap)
	{
		PointSprite sprites[4];
		const float keys[] = {1.0f, 5.0f, 5.0f, 3.0f};
		for (int i = 0; i < 4; ++i)
		{
			sprites[i].SetSortKey(keys[i]);
			graphics->PointSprites().PushBack(&sprites[i]);
		}
		graphics->SortPointSprites();
		std::vector<PointSprite*> order;
		graphics->PointSprites().ForEach([&](PointSprite* sprite) { order.push_back(sprite); });
		EXPECT_THAT(order, ElementsAre(&sprites[2], &sprites[1], &sprites[3], &sprites[0]));
		for (PointSprite& sprite : sprites)
			graphics->PointSprites().Remove(&sprite);
	}

	TEST_F(FrameRender, AFrameWithoutACameraIsBlackAndAFrameWithOneDrawsTheScene)
	{
		StartedObject(test::TransformXml("0 0 -4", "3 3 3") + test::ShapeXml("cube", 1, 1, "Forward", "Crate.png"));
		StartedObject(test::TransformXml("0 5 0") + test::LightXml("DIRECTIONAL", "0 0 -1", "1 1 1 1"));
		graphics->Update();
		const std::vector<unsigned char> empty = ReadPixels();
		EXPECT_EQ(*std::max_element(empty.begin(), empty.end() - 1), 255) << "only alpha";
		EXPECT_EQ(std::count(empty.begin(), empty.end(), 0u), static_cast<long>(empty.size() * 3 / 4));
		StartedCamera();
		graphics->Update();
		const std::vector<unsigned char> drawn = ReadPixels();

		const unsigned char* centre = drawn.data() + 4 * ((test::kGLTestHeight / 2) * test::kGLTestWidth + test::kGLTestWidth / 2);
		EXPECT_GT(centre[0] + centre[1] + centre[2], 60) << "the lit crate fills the middle";
		ExpectNoGLError("the frame");
	}

	TEST_F(FrameRender, EachOverlayPlaneShowsItsOwnImagesFrameAfterFrame)
	{
		AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		const auto image = [](const std::string& kind, const std::string& name, const std::string& extra = "") {
			return test::ComponentXml(kind, "<string>" + name + ".png</string><string>GL_RGBA8</string>" + extra);
		};
		// Drawn left to right, each on red, with a white ambient image: the middle plane shares the
		// first one's program; the last one leaves its specular image on the first one's emissive unit.
		const struct
		{
			const char* shader;
			std::string images;
			std::array<unsigned char, 3> colour;
		} planes[] = {{"GlowPlane", image("EmissiveTexture", "green", "<float>1</float>"), {255, 255, 0}},
			{"GlowPlane", "", {255, 0, 0}}, {"GlossPlane", image("SpecularTexture", "blue"), {255, 0, 255}}};
		StartedCamera();
		for (std::size_t i = 0; i < std::size(planes); ++i)
			StartedObject(test::TransformXml(std::to_string(53 + 107 * i) + " 120 0." + std::to_string(i + 1), "106 240 1") +
				test::ComponentXml("Shader", std::string("<string>") + planes[i].shader + "</string>") +
				test::ComponentXml("OrthoPlane", "<Tuple4i>0 0 320 240</Tuple4i>") + image("DiffuseTexture", "red") +
				image("AmbientTexture", "white") + planes[i].images);
		for (int frame = 0; frame < 2; ++frame)
		{
			graphics->Update();
			const std::vector<unsigned char> pixels = ReadPixels();
			for (std::size_t i = 0; i < std::size(planes); ++i)
			{
				const unsigned char* centre = pixels.data() + 4 * (120 * test::kGLTestWidth + 53 + 107 * i);
				EXPECT_EQ((std::array<unsigned char, 3>{centre[0], centre[1], centre[2]}), planes[i].colour)
					<< "plane " << i << " in frame " << frame;
			}
		}
	}

	// The editor's marks are queued debug drawing: the pause menu's veil over the window must hide them.
	TEST_F(FrameRender, ScreenPlanesCoverTheDebugLinesDrawnIntoTheWorld)
	{
		AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		StartedCamera();
		// An opaque red plane over the left half of the window; a green line across the whole view.
		StartedObject(test::TransformXml("80 120 0.1", "160 240 1") + test::ComponentXml("Shader", "<string>GlowPlane</string>") +
			test::ComponentXml("OrthoPlane", "<Tuple4i>0 0 320 240</Tuple4i>") +
			test::ComponentXml("DiffuseTexture", "<string>red.png</string><string>GL_RGBA8</string>") +
			test::ComponentXml("AmbientTexture", "<string>white.png</string><string>GL_RGBA8</string>"));
		graphics->DrawLine({-10.0f, 0.0f, -5.0f}, {10.0f, 0.0f, -5.0f}, 3.0f, {0, 1, 0, 1});
		graphics->Update();
		const std::vector<unsigned char> pixels = ReadPixels();
		int greenLeft = 0, greenRight = 0;
		for (int x = 0; x < test::kGLTestWidth; ++x)
		{
			const unsigned char* pixel = pixels.data() + 4 * (test::kGLTestHeight / 2 * test::kGLTestWidth + x);
			const bool green = pixel[1] > 127 && pixel[0] < 128;
			(x < test::kGLTestWidth / 2 ? greenLeft : greenRight) += green ? 1 : 0;
		}
		EXPECT_EQ(greenLeft, 0) << "the line shows over the plane";
		EXPECT_GT(greenRight, test::kGLTestWidth / 2 - 10) << "the line is drawn where no plane covers it";
	}

	TEST_F(FrameRender, StartingRenderComponentsTwiceListsThemOnce)
	{
		const std::vector<Composition*> objects = {
			StartedObject(test::TransformXml("0 0 -5") + test::ShapeXml("cube", 1, 1, "Forward", "Crate.png") +
				test::ComponentXml("Skybox", "<bool>false</bool><float>1</float>")),
			StartedObject(test::TransformXml("0 5 0") + test::LightXml("OMNI", "0 -1 0", "1 1 1 1")),
			StartedObject(test::TransformXml("0 0 -5") +
				test::ComponentXml("Model", "<string>Reed.model</string><bool>true</bool><float>0.025</float><bool>false</bool>")),
		};
		for (Composition* object : objects)
			object->Start();
		const auto walked = [](const auto& list) {
			unsigned members = 0;
			list.ForEach([&members](const auto*) { ++members; });
			return members;
		};
		const std::pair<unsigned, unsigned> lists[] = {
			{walked(graphics->RenderEntries()), 3u}, {walked(graphics->Shaders()), 1u}, {walked(graphics->Textures()), 1u},
			{walked(graphics->Skies()), 1u}, {walked(graphics->Lights()), 1u}, {walked(graphics->Models()), 1u}};
		for (const auto& [members, expected] : lists)
			EXPECT_EQ(members, expected);
	}

	TEST_F(FrameRender, TheDrawOrderGroupsByProgramThenImageAndKeepsListOrderWithin)
	{
		StartedCamera();
		const auto shape = [this](const char* shader, const char* image) {
			return StartedObject(test::TransformXml("0 0 -5") + test::ShapeXml("cube", 1, 1, shader, image));
		};
		Composition* crateA = shape("Forward", "Crate.png");
		Composition* hud = shape("HUDShader", "Crate.png");
		Composition* marble = shape("Forward", "Marble.png");
		Composition* crateB = shape("Forward", "Crate.png");
		Composition* plain = shape("Forward", "");
		PrepareFrame();
		const std::vector<Composition*>& order = graphics->GetDrawOrder();
		ASSERT_EQ(order.size(), 5u);
		const auto position = [&order](Composition* object) { return std::find(order.begin(), order.end(), object) - order.begin(); };
		EXPECT_EQ(position(crateB), position(crateA) + 1) << "one image, one program: together, in list order";
		const auto programOf = [](Composition* object) { return object->GetComponent<Shader>()->GetProgram(); };
		for (std::size_t i = 1; i < order.size(); ++i)
			EXPECT_LE(programOf(order[i - 1]), programOf(order[i])) << "programs are not interleaved";
		EXPECT_EQ(std::count(order.begin(), order.end(), hud) + std::count(order.begin(), order.end(), marble) +
				std::count(order.begin(), order.end(), plain),
			3);
	}

	// Nearer objects first within a program, so that the depth test spares the hidden fill.
	TEST_F(FrameRender, TheDrawOrderPutsNearerDepthBandsFirstWhateverTheirImage)
	{
		StartedCamera();
		const auto shape = [this](const char* z, const char* image) {
			return StartedObject(test::TransformXml(z) + test::ShapeXml("cube", 1, 1, "Forward", image));
		};
		Composition* farCrate = shape("0 0 -60", "Crate.png");
		Composition* farMarble = shape("0 0 -60", "Marble.png");
		Composition* nearCrate = shape("0 0 -5", "Crate.png");
		Composition* nearMarble = shape("0 0 -5", "Marble.png");
		PrepareFrame();
		const std::vector<Composition*>& order = graphics->GetDrawOrder();
		const auto position = [&order](Composition* object) { return std::find(order.begin(), order.end(), object) - order.begin(); };
		EXPECT_LT(std::max(position(nearCrate), position(nearMarble)), std::min(position(farCrate), position(farMarble)));
	}

	TEST_F(FrameRender, ObjectsWithoutABodyAreCulledByTheirMesh)
	{
		StartedCamera();
		graphics->UpdateFrustum(graphics->GetActiveCamera());
		const std::string reed = test::ComponentXml("Model", "<string>Reed.model</string><bool>true</bool><float>0.025</float><bool>false</bool>");
		const struct
		{
			const char* what;
			std::string components;
			bool culled;
		} cases[] = {
			{"cube in front", test::TransformXml("0 0 -10") + test::ShapeXml("cube", 1, 1), false},
			{"cube behind", test::TransformXml("0 0 10") + test::ShapeXml("cube", 1, 1), true},
			// Scaled 30 times, the box reaches 15 to either side: from x = 15 into the view.
			{"wide cube beside the view", test::TransformXml("15 0 -5", "30 1 1") + test::ShapeXml("cube", 1, 1), false},
			{"cube beside the view", test::TransformXml("20 0 -5") + test::ShapeXml("cube", 1, 1), true},
			{"sky behind", test::TransformXml("0 0 80") + test::ShapeXml("sphere", 4, 4) +
					test::ComponentXml("Skybox", "<bool>true</bool><float>1</float>"), false},
			{"skinned model behind", test::TransformXml("0 0 10") + reed, false},
		};
		for (const auto& c : cases)
		{
			Composition* object = StartedObject(c.components);
			const Component* drawn = object->GetComponent<Model>() != nullptr ? static_cast<Component*>(object->GetComponent<Model>())
																			  : object->GetComponent<Primitive>();
			EXPECT_EQ(Graphics::IsOutsideView(drawn), c.culled) << c.what;
		}
	}
}
