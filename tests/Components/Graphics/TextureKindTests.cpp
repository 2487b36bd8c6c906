#include "Components/Graphics/Texture.h"

#include "Components/Graphics/GLTest.h"
#include "Utilities/SearchPaths.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

namespace render_tests
{
	class TextureKind : public test::GLTest
	{
	protected:
		void SetUp() override
		{
			GLTest::SetUp();
			AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		}

		template <class T>
		T* Loaded(const std::string& kind, const std::string& image, const std::string& scale, const std::string& extra = "")
		{
			return MakeObject(test::ComponentXml(kind, "<string>" + image + "</string><string>GL_RGBA8</string><Tuple2f>" + scale +
											 "</Tuple2f>" + extra))
				->GetComponent<T>();
		}

		static GLfloat TextureMatrixScale(GLenum unit)
		{
			glActiveTexture(unit);
			GLfloat matrix[16];
			glGetFloatv(GL_TEXTURE_MATRIX, matrix);
			glActiveTexture(GL_TEXTURE0);
			return matrix[0];
		}
	};

	using DiffuseTextureTest = TextureKind;
	using SpecularTextureTest = TextureKind;
	using EmissiveTextureTest = TextureKind;

	TEST_F(DiffuseTextureTest, BindsUnitZeroAgainOnlyForAnotherTextureOrScale)
	{
		::DiffuseTexture* first = Loaded<::DiffuseTexture>("DiffuseTexture", "rgb.png", "2 2");
		::DiffuseTexture* same = Loaded<::DiffuseTexture>("DiffuseTexture", "rgb.png", "2 2");
		::DiffuseTexture* rescaled = Loaded<::DiffuseTexture>("DiffuseTexture", "rgb.png", "3 3");
		EXPECT_TRUE(first->Update());
		EXPECT_FALSE(same->Update()) << "the same texture and scale are bound already";
		EXPECT_TRUE(rescaled->Update());
		EXPECT_EQ(TextureMatrixScale(GL_TEXTURE0), 3.0f);
		BoundTextures.diffuse = 0;
		EXPECT_TRUE(same->Update()) << "once unit 0 was switched off, the texture is bound again";
	}

	TEST_F(DiffuseTextureTest, SetTextureChangesTheImage)
	{
		::DiffuseTexture* diffuse = Loaded<::DiffuseTexture>("DiffuseTexture", "rgb.png", "1 1");
		Message change("SetTexture");
		change.Push(std::string("rgba.png"));
		diffuse->owner->HandleMessage(change);
		EXPECT_EQ(diffuse->GetTextureName(), "rgba.png");
		EXPECT_THAT(test::SavedText(*diffuse), HasSubstr("<string name=\"texture name\">rgba.png</string>"));
	}

	TEST_F(SpecularTextureTest, BindsUnitOneUnscaled)
	{
		::SpecularTexture* specular = Loaded<::SpecularTexture>("SpecularTexture", "rgb.png", "4 4");
		EXPECT_TRUE(specular->Update());
		EXPECT_EQ(TextureMatrixScale(GL_TEXTURE1), 1.0f);
		EXPECT_EQ(BoundTextures.specular, specular->GetEntry()->media.texture);
		EXPECT_EQ(BoundTextures.emissive, 0u) << "specular and emissive maps share unit 1 but not their memory";
	}

	TEST_F(EmissiveTextureTest, SetEmissiveFactorReachesTheProgramAtTheNextDraw)
	{
		::EmissiveTexture* emissive = Loaded<::EmissiveTexture>("EmissiveTexture", "rgb.png", "1 1", "<float>0.25</float><bool>true</bool>");
		GLint wrap = 0;
		glBindTexture(GL_TEXTURE_2D, emissive->GetEntry()->media.texture);
		glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
		glBindTexture(GL_TEXTURE_2D, 0);
		EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE) << "a clamp flag after the factor";
		Message factor("SetEmissiveFactor");
		factor.Push(0.8f);
		emissive->owner->HandleMessage(factor);
		const unsigned forward = GetShaderProgram("Forward")->media.program;
		UseProgram(forward);
		emissive->Update();
		GLfloat value = 0.0f;
		glGetUniformfv(forward, glGetUniformLocation(forward, "emissiveFactor"), &value);
		EXPECT_EQ(value, 0.8f);
		glActiveTexture(GL_TEXTURE0);
	}
}
