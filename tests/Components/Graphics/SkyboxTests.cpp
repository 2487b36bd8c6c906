#include "Components/Graphics/Skybox.h"

#include "Components/Graphics/GLTest.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace render_tests
{
	class SkyboxTest : public test::GLTest
	{
	protected:
		Composition* StartedSky(bool reversed, float depth)
		{
			Composition* object = MakeObject(test::ComponentXml("Skybox",
				std::string("<bool>") + (reversed ? "true" : "false") + "</bool><float>" + std::to_string(depth) + "</float>"));
			object->Start();
			return object;
		}
	};

	TEST_F(SkyboxTest, SkiesListDeepestFirstAndALaterSkyBeforeAnEqualOne)
	{
		Composition* near = StartedSky(false, 1.0f);
		Composition* far = StartedSky(false, 5.0f);
		Composition* laterFar = StartedSky(false, 5.0f);
		std::vector<Composition*> order;
		graphics->Skies().ForEach([&](::Skybox* sky) { order.push_back(sky->owner); });
		EXPECT_THAT(order, ElementsAre(laterFar, far, near));
		near->GetComponent<::Skybox>()->Detach();
		EXPECT_EQ(graphics->Skies().Count(), 2u);
	}

	TEST_F(SkyboxTest, WindingFollowsTheReverseFlagAndBothAreSaved)
	{
		const struct
		{
			bool reversed;
			GLint frontFace;
		} cases[] = {{true, GL_CW}, {false, GL_CCW}};
		for (const auto& c : cases)
		{
			::Skybox* sky = StartedSky(c.reversed, 3.0f)->GetComponent<::Skybox>();
			EXPECT_TRUE(sky->Update());
			GLint frontFace = 0;
			glGetIntegerv(GL_FRONT_FACE, &frontFace);
			EXPECT_EQ(frontFace, c.frontFace);
			const std::string saved = test::SavedText(*sky);
			EXPECT_THAT(saved, HasSubstr(std::string("<bool name=\"reverse winding\">") + (c.reversed ? "true" : "false")));
			EXPECT_THAT(saved, HasSubstr("<float name=\"depth\">3</float>"));
		}
		glFrontFace(GL_CCW);
	}
}
