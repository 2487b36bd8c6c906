#include "Components/Graphics/Light.h"

#include "Components/Graphics/Camera.h"
#include "Components/Graphics/GLTest.h"
#include "Systems/Graphics/LightScissor.h"
#include "Utilities/Random.h"
#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>

#include <cfloat>

using ::testing::HasSubstr;

namespace render_tests
{
	class LightTest : public test::GLTest
	{
	protected:
		static std::string LightValues(const std::string& type, const std::string& direction = "0 -1 0",
			const std::string& angles = "<float>0</float><float>0</float>", const std::string& tail = "")
		{
			return "<bool>true</bool><Tuple3f>" + direction + "</Tuple3f><string>" + type +
				"</string><Tuple4f>0 0 0 1</Tuple4f><Tuple4f>1 1 1 1</Tuple4f><Tuple4f>1 1 1 1</Tuple4f><Tuple3f>1 0 0</Tuple3f>" +
				angles + tail;
		}

		::Light* Loaded(const std::string& values)
		{
			return MakeObject(test::TransformXml("0 1 0") +
				test::ComponentXml("Light", values))
				->GetComponent<::Light>();
		}
	};

	TEST_F(LightTest, TypeNamesInAnyCaseChooseTheVolumeAndLightsWithoutOneOrHiddenDrawNothing)
	{
		const struct
		{
			const char* name;
			int type;
			int shape;
		} cases[] = {{"omni", ::Light::kOmni, kSphere}, {"Directional", ::Light::kDirectional, kPlane},
			{"SPOT", ::Light::kSpot, -1}, {"lamp", ::Light::kUnknownType, -1}};
		for (const auto& c : cases)
		{
			::Light* light = Loaded(LightValues(c.name));
			EXPECT_EQ(light->GetType(), c.type) << c.name;
			if (c.shape < 0)
			{
				EXPECT_EQ(light->GetMesh(), nullptr) << c.name;
				EXPECT_FALSE(light->Update()) << "a light without a volume draws nothing";
			}
			else
				EXPECT_EQ(light->GetMesh()->media.shape, c.shape) << c.name;
		}
		::Light* hidden = Loaded("<bool>false</bool>" + LightValues("OMNI").substr(std::string("<bool>true</bool>").size()));
		EXPECT_FALSE(hidden->Update());
		EXPECT_EQ(Loaded(LightValues("omni"))->GetMesh()->media.stacks, 12);
		EXPECT_THAT(test::SavedText(*Loaded(LightValues("lamp"))), HasSubstr("<string name=\"type name\">lamp</string>"))
			<< "an unknown name is kept as it was";
		EXPECT_THAT(test::SavedText(*Loaded(LightValues("omni"))), HasSubstr("<string name=\"type name\">OMNI</string>"));
	}

	TEST_F(LightTest, AnglesAreRadiansInMemoryAndDegreesInFiles)
	{
		::Light* light = Loaded(LightValues("OMNI", "0 2 0", "<float>90</float><float>45</float>"));
		EXPECT_NEAR(light->GetAlphaAngle(), 1.5707963, 1e-6);
		EXPECT_EQ(light->GetDirection(), Tuple3f(0, 1, 0)) << "normalised";
		EXPECT_EQ(light->GetStriations(), FLT_MAX);
		EXPECT_EQ(light->GetRadius(), 0.0f);
		const std::string saved = test::SavedText(*light);
		EXPECT_THAT(saved, HasSubstr("<float name=\"alpha angle\">90</float>"));
		EXPECT_THAT(saved, HasSubstr("<float name=\"beta angle\">45</float>"));
		const ::Light* full = Loaded(LightValues("OMNI", "0 -1 0", "<float>0</float><float>0</float>", "<float>4</float><float>2.5</float>"));
		EXPECT_EQ(full->GetStriations(), 4.0f);
		EXPECT_EQ(full->GetRadius(), 2.5f);
	}

	TEST_F(LightTest, StartListsTheLightAndItsOwnEntryAndDetachTakesBoth)
	{
		::Light* light = Loaded(LightValues("OMNI"));
		light->owner->Start();
		EXPECT_TRUE(graphics->Lights().IsLinked(light));
		ASSERT_EQ(graphics->RenderEntries().Count(), 1u);
		EXPECT_EQ(graphics->RenderEntries().First()->kind, 1);
		EXPECT_EQ(graphics->RenderEntries().First()->owner, light->owner);
		light->Detach();
		EXPECT_EQ(graphics->Lights().Count(), 0u);
		EXPECT_EQ(graphics->RenderEntries().Count(), 0u);
	}

	TEST_F(LightTest, TheLightsPositionReachesTheShaderInViewSpace)
	{
		Composition* viewer = StartedObject(test::TransformXml("1 2 3") + test::CameraXml("0.3 -0.4 -1"), "Viewer");
		::Camera* camera = viewer->GetComponent<::Camera>();
		camera->Update();
		::Light* light = Loaded(LightValues("OMNI", "0 -1 0", "<float>0</float><float>0</float>", "<float>3</float><float>4</float>"));
		const unsigned program = GetShaderProgram("LightPassOmni")->media.program;
		UseProgram(program);
		EXPECT_TRUE(light->Update());
		GLfloat position[3] = {};
		glGetUniformfv(program, UniformLocation(program, Uniform::LightPos), position);
		// The Transform puts the light at (0, 1, 0) in the world.
		ExpectNear(Tuple3f(position[0], position[1], position[2]), camera->GetViewMatrix() * Tuple3f(0, 1, 0), 1e-5);
	}

	TEST_F(LightTest, TheVolumeHoldsTheEyeOnceTheNearPlaneCanReachIt)
	{
		// Near clip 1 and 60 degrees over a 4:3 view: the near plane's corners are 1.3878 from the eye.
		Composition* viewer = StartedObject(test::TransformXml("0 0 0") + test::CameraXml("0 0 -1", 1.0f), "Viewer");
		const ::Camera& camera = *viewer->GetComponent<::Camera>();
		const struct
		{
			float distance;
			bool holds;
		} cases[] = {{0.0f, true}, {2.0f, true}, {3.38f, true}, {3.40f, false}, {10.0f, false}};
		for (const auto& c : cases)
		{
			// Radius 4: the volume reaches 2 from the light.
			::Light* light = MakeObject(test::TransformXml("0 0 " + std::to_string(-c.distance)) +
				test::LightXml("OMNI", "0 -1 0", "1 1 1 1", "1 0 0", 4.0f))->GetComponent<::Light>();
			EXPECT_EQ(light->VolumeHoldsEye(camera), c.holds) << c.distance;
		}
	}

	TEST(LightScissor, TheRectangleHoldsEverySphereWithinTheViewAndNoMore)
	{
		const PerspectiveView view{0.5f, 60.0f, 4.0f / 3.0f, Tuple4<int>(10, 20, 320, 240)};
		// Spheres reaching the eye's side of the near plane get the whole view.
		for (const Tuple3f& centre : {Tuple3f(0, 0, 0), Tuple3f(0, 0, -1.4f), Tuple3f(3, 0, 2)})
			EXPECT_EQ(SphereScissor(centre, 1.0f, view), view.viewport) << centre;
		const Tuple4<int> small = SphereScissor(Tuple3f(0, 0, -20), 1.0f, view);
		EXPECT_LT(small.z * small.w, 320 * 240 / 20) << "a far sphere covers a small part";
		EXPECT_EQ(SphereScissor(Tuple3f(100, 0, -5), 1.0f, view).z, 0) << "a sphere beside the view covers nothing";

		// Against points on random spheres projected one by one.
		tw::SeedRand(7);
		const auto uniform = [](float low, float high) { return low + (high - low) * static_cast<float>(tw::Rand()) / tw::kRandMax; };
		const float focal = 1.0f / std::tan(0.5235988f);
		for (int sphere = 0; sphere < 200; ++sphere)
		{
			const Tuple3f centre(uniform(-8, 8), uniform(-6, 6), uniform(-20, -2));
			const float radius = uniform(0.1f, 3.0f);
			const Tuple4<int> area = SphereScissor(centre, radius, view);
			for (int point = 0; point < 50; ++point)
			{
				const Tuple3f offset = Tuple3f(uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)).Normalize() * radius;
				const Tuple3f p = centre + offset;
				if (-p.z <= view.nearClip)
					continue;
				const float x = (focal / view.aspect * p.x / -p.z + 1.0f) * 0.5f * 320.0f + 10.0f;
				const float y = (focal * p.y / -p.z + 1.0f) * 0.5f * 240.0f + 20.0f;
				if (x < 10 || x >= 330 || y < 20 || y >= 260)
					continue;
				EXPECT_TRUE(x >= static_cast<float>(area.x) && x <= static_cast<float>(area.x + area.z) && y >= static_cast<float>(area.y) &&
					y <= static_cast<float>(area.y + area.w))
					<< "sphere " << sphere << " point (" << x << ", " << y << ")";
			}
		}
	}
}
