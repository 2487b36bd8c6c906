#include "Components/Graphics/Light.h"

#include "Components/Graphics/GLTest.h"
#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>

#include <cfloat>

using ::testing::HasSubstr;

namespace render_tests
{
	class Light : public test::GLTest
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

	TEST_F(Light, TypeNamesInAnyCaseChooseTheVolumeAndLightsWithoutOneOrHiddenDrawNothing)
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

	TEST_F(Light, AnglesAreRadiansInMemoryAndDegreesInFiles)
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

	TEST_F(Light, StartListsTheLightAndItsOwnEntryAndDetachTakesBoth)
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
}
