#include "Components/Graphics/CompositePrimitive.h"
#include "Components/Graphics/Light.h"
#include "Components/Graphics/Skybox.h"
#include "Components/Graphics/Texture.h"

#include "ComponentFactory.h"
#include "Components/Graphics/GLTest.h"

#include <gmock/gmock.h>

#include <memory>

using ::testing::HasSubstr;

namespace render_tests
{
	class RenderComponent : public test::GLTest
	{
	};

	TEST_F(RenderComponent, DerivedClassesHaveTheirOwnNamesAndTypeIds)
	{
		const struct
		{
			const char* name;
			const char* base;
		} classes[] = {{"Light", "Primitive"}, {"CompositePrimitive", "Primitive"}, {"OrthoPlane", "Primitive"},
			{"PixelBuffer", "Texture"}, {"PointSprite", "Texture"}, {"EmissiveTexture", "Texture"},
			{"AmbientTexture", "Texture"}, {"SpecularTexture", "Texture"}};
		for (const auto& c : classes)
		{
			const Component* prototype = GetComponentPrototype(ComponentTypeIdFromName(c.name));
			ASSERT_NE(prototype, nullptr) << c.name;
			const std::unique_ptr<Component> made(prototype->Create());
			const std::unique_ptr<Component> cloned(prototype->Clone());
			EXPECT_EQ(made->GetName(), c.name);
			EXPECT_EQ(cloned->GetName(), c.name);
			EXPECT_NE(made->GetTypeId(), ComponentTypeIdFromName(c.base)) << c.name;
			EXPECT_EQ(made->GetTypeId(), prototype->GetTypeId());
		}
	}

	TEST_F(RenderComponent, ACloneOwnsCopiesOfItsPieces)
	{
		CompositePrimitive source;
		for (int i = 0; i < 3; ++i)
			source.Pieces().push_back({nullptr, Tuple3f(1, 1, 1), Tuple3f(static_cast<float>(i), 0, 0), Tuple3f()});
		const std::unique_ptr<Component> clone(source.Clone());
		CompositePrimitive& copy = static_cast<CompositePrimitive&>(*clone);
		ASSERT_EQ(copy.GetPieces().size(), 3u);
		EXPECT_EQ(copy.GetPieces().capacity(), 3u);
		copy.Pieces()[1].offset = Tuple3f(9, 9, 9);
		EXPECT_EQ(source.GetPieces()[1].offset, Tuple3f(1, 0, 0));
		EXPECT_EQ(copy.GetPieces()[2].offset, Tuple3f(2, 0, 0));
	}

	TEST_F(RenderComponent, ACloneIsOnNoListUntilItStarts)
	{
		Composition* object = MakeObject(test::ComponentXml("Skybox", "<bool>false</bool><float>2</float>"));
		object->Start();
		Skybox* sky = object->GetComponent<Skybox>();
		ASSERT_TRUE(graphics->Skies().IsLinked(sky));
		const std::unique_ptr<Component> clone(sky->Clone());
		Skybox* copy = static_cast<Skybox*>(clone.get());
		EXPECT_FALSE(graphics->Skies().IsLinked(copy));
		EXPECT_EQ(copy->GetDepth(), 2.0f);
		copy->Detach();
		EXPECT_EQ(graphics->Skies().Count(), 1u) << "detaching an unlisted copy leaves the list alone";
		copy->Start();
		EXPECT_EQ(graphics->Skies().Count(), 2u);
		copy->Detach();
	}

	TEST_F(RenderComponent, EmissiveTexturesReadBackWhatTheyWrite)
	{
		AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		Composition* object = MakeObject(test::ComponentXml("EmissiveTexture",
			"<string>rgb.png</string><string>GL_RGBA8</string><Tuple2f>2 3</Tuple2f><float>0.75</float>"));
		EmissiveTexture* emissive = object->GetComponent<EmissiveTexture>();
		EXPECT_EQ(emissive->GetEmissiveFactor(), 0.75f);
		EXPECT_EQ(emissive->GetScale(), Tuple2f(2, 3));
		const std::string saved = test::SavedText(*emissive);
		EXPECT_THAT(saved, HasSubstr("<float name=\"emissive factor\">0.75</float>"));

		Composition* reloaded = MakeObject("<Component><string>EmissiveTexture</string>" +
			saved.substr(saved.find('\n') + 1, saved.rfind("</") - saved.find('\n') - 1) + "</Component>");
		EXPECT_EQ(reloaded->GetComponent<EmissiveTexture>()->GetEmissiveFactor(), 0.75f);
		EXPECT_EQ(reloaded->GetComponent<EmissiveTexture>()->GetScale(), Tuple2f(2, 3));
	}

	TEST_F(RenderComponent, TextureKindsBindToTheirUnitOnceAndEmissiveSetsItsFactorAlways)
	{
		AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		const std::string image = "<string>rgb.png</string><string>GL_RGBA8</string><Tuple2f>1 1</Tuple2f>";
		Composition* object = MakeObject(test::ComponentXml("SpecularTexture", image) +
			test::ComponentXml("AmbientTexture", image) + test::ComponentXml("EmissiveTexture", image + "<float>0.5</float>"));
		const unsigned forward = GetShaderProgram("Forward")->media.program;
		UseProgram(forward);
		const struct
		{
			::Texture* texture;
			GLenum unit;
		} kinds[] = {{object->GetComponent<SpecularTexture>(), GL_TEXTURE1}, {object->GetComponent<AmbientTexture>(), GL_TEXTURE2},
			{object->GetComponent<EmissiveTexture>(), GL_TEXTURE1}};
		for (const auto& kind : kinds)
		{
			EXPECT_TRUE(kind.texture->Update()) << kind.texture->GetName();
			GLint active = 0;
			glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
			EXPECT_EQ(static_cast<GLenum>(active), kind.unit) << kind.texture->GetName();
			EXPECT_FALSE(kind.texture->Update()) << kind.texture->GetName() << " binds a texture once";
		}
		glUniform1f(glGetUniformLocation(forward, "emissiveFactor"), 0.0f);
		object->GetComponent<EmissiveTexture>()->Update();
		GLfloat factor = 0.0f;
		glGetUniformfv(forward, glGetUniformLocation(forward, "emissiveFactor"), &factor);
		EXPECT_EQ(factor, 0.5f) << "set even though the bind was skipped";
		glActiveTexture(GL_TEXTURE0);
	}
}
