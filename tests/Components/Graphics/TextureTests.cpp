#include "Components/Graphics/Texture.h"
#include "Components/Graphics/TextureCache.h"

#include "ComponentFactory.h"
#include "Components/Graphics/GLTest.h"
#include "Engine.h"
#include "Components/Transform.h"
#include "HostileFiles.h"
#include "Utilities/SearchPaths.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <gmock/gmock.h>

#include <array>
#include <cfloat>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

// Named, not anonymous: the fixtures carry the names of the classes they test.
namespace render_tests
{
	using Rgba = std::array<unsigned char, 4>;

	class TextureTest : public test::GLTest
	{
	protected:
		void SetUp() override
		{
			GLTest::SetUp();
			AddSearchPath(TW_TEST_DATA_DIR "Textures/");
		}

		// The level-0 texels of the texture, read back as RGBA.
		static std::vector<Rgba> Texels(const TextureEntry& entry, int count)
		{
			std::vector<Rgba> texels(static_cast<std::size_t>(count));
			glBindTexture(GL_TEXTURE_2D, entry.media.texture);
			glPixelStorei(GL_PACK_ALIGNMENT, 1);
			glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
			glBindTexture(GL_TEXTURE_2D, 0);
			return texels;
		}

		static GLint TexParameter(const TextureEntry& entry, GLenum parameter)
		{
			GLint value = 0;
			glBindTexture(GL_TEXTURE_2D, entry.media.texture);
			glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
			glBindTexture(GL_TEXTURE_2D, 0);
			return value;
		}
	};

	constexpr Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255};
	constexpr unsigned kRgba8 = 0x8058;

TEST_F(TextureTest, FormatTextsCombineTheNamedValues)
{
	const struct
	{
		const char* text;
		int value;
	} cases[] = {
		{"GL_RGBA8", 0x8058},
		{"GL_RGB | GL_BGR", 0x1907 | 0x80E0},
		{"GL_RGBA8 NotAFormat", 0x8058},
		{"NotAFormat", 0},
		{"", 0},
		{"  GL_LUMINANCE8_ALPHA8  ", 0x8045},
		// "|" is a word of its own: joined to the names it makes one unknown word.
		{"GL_SRGB8_ALPHA8|GL_BGRA", 0},
	};
	for (const auto& format : cases)
		EXPECT_EQ(ParseTextureFormat(format.text), format.value) << '"' << format.text << '"';
}

TEST_F(TextureTest, ImagesUploadInTheirOwnChannelOrder)
{
	const struct
	{
		const char* file;
		std::vector<Rgba> texels;
	} cases[] = {
		// Row 0 of the image (red, green) is the texture's first row.
		{"rgb.png", {kRed, kGreen, kBlue, kWhite}},
		{"bgr.bmp", {kRed, kGreen, kBlue, kWhite}},
		{"rgba.png", {kRed, {0, 255, 0, 128}, {0, 0, 255, 64}, {255, 255, 255, 0}}},
		// Palette colours come out as colours, not as their indices.
		{"palette.png", {kRed, kGreen, kBlue, kWhite}},
		// Grey levels stay grey levels.
		{"grey.png", {{0, 0, 0, 255}, {85, 85, 85, 255}, {170, 170, 170, 255}, kWhite}},
	};
	for (const auto& image : cases)
	{
		const TextureEntry* entry = GetTexture(image.file, kRgba8, false);
		EXPECT_THAT(Texels(*entry, 4), ElementsAreArray(image.texels)) << image.file;
	}
}

TEST_F(TextureTest, SixteenBitColourSurfacesAreConvertedToRgba)
{
	SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 16, 0xF800, 0x07E0, 0x001F, 0);
	Uint16* pixels = static_cast<Uint16*>(surface->pixels);
	pixels[0] = 0xF800;
	pixels[1] = 0x001F;
	const TextureEntry entry{1, UploadSurface(surface, kRgba8, false), "565"};
	SDL_FreeSurface(surface);
	EXPECT_THAT(Texels(entry, 2), ElementsAreArray({kRed, kBlue}));
	glDeleteTextures(1, &entry.media.texture);
}

TEST_F(TextureTest, AnImageThatCannotBeLoadedGivesAPlaceholderAndADiagnostic)
{
	testing::internal::CaptureStdout();
	const TextureEntry* entry = GetTexture("NoSuchImage.png", kRgba8, false);
	const std::string log = testing::internal::GetCapturedStdout();
	EXPECT_THAT(log, HasSubstr("Texture \"NoSuchImage.png\" cannot be loaded"));
	ASSERT_NE(entry->media.texture, 0u);
	EXPECT_THAT(Texels(*entry, 1), ElementsAreArray({kWhite}));
	engine->userFolder.WriteFile("NotAnImage.png", "text, not pixels");
	testing::internal::CaptureStdout();
	EXPECT_NE(GetTexture("NotAnImage.png", 0, false)->media.texture, 0u) << "format 0 still gives a usable placeholder";
	EXPECT_THAT(testing::internal::GetCapturedStdout(), HasSubstr("\"NotAnImage.png\""));
}

TEST_F(TextureTest, DevicesFifosFoldersAndHugeFilesGiveAPlaceholderWithOneDiagnostic)
{
	test::ExpectEachRefusedWithOneDiagnostic(engine->userFolder, [](const std::string& path) {
		testing::internal::CaptureStdout();
		EXPECT_THAT(Texels(*GetTexture(path, kRgba8, false), 1), ElementsAreArray({kWhite}));
		return testing::internal::GetCapturedStdout();
	});
}

TEST_F(TextureTest, TheNameIsTheKeyWhateverTheFormatAndClamp)
{
	const TextureEntry* first = GetTexture("rgb.png", kRgba8, true);
	const TextureEntry* second = GetTexture("rgb.png", 0x1907, false);
	EXPECT_EQ(first, second);
	EXPECT_EQ(second->count, 2u);
	EXPECT_EQ(second->media.internalFormat, kRgba8);
	EXPECT_EQ(TexParameter(*first, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
	EXPECT_EQ(TexParameter(*GetTexture("rgba.png", kRgba8, false), GL_TEXTURE_WRAP_T), GL_REPEAT);
	EXPECT_EQ(TexParameter(*first, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(TextureTest, BindingPointsTheCurrentProgramsSamplerAtTheUnitUntilTheCacheIsReleased)
{
	const unsigned program = GetShaderProgram("LightPassOmni")->media.program;
	UseProgram(program);
	const TextureEntry* entry = GetTexture("rgb.png", kRgba8, false);
	EXPECT_TRUE(BindTextureUnit(GL_TEXTURE6, entry, 2.0f, 3.0f));
	GLint sampler = -1;
	glGetUniformiv(program, glGetUniformLocation(program, "sampler[6]"), &sampler);
	EXPECT_EQ(sampler, 6);
	GLint bound = 0;
	glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
	EXPECT_EQ(static_cast<unsigned>(bound), entry->media.texture);
	GLfloat matrix[16];
	glGetFloatv(GL_TEXTURE_MATRIX, matrix);
	EXPECT_FLOAT_EQ(matrix[0], 2.0f);
	EXPECT_FLOAT_EQ(matrix[5], 3.0f);
	glActiveTexture(GL_TEXTURE0);

	// Releasing the cache forgets the remembered bindings.
	BoundTextures.diffuse = entry->media.texture;
	BoundTextures.specular = 7;
	BoundTextures.diffuseScale = Tuple2f(2.0f, 2.0f);
	ReleaseTextureCache();
	EXPECT_EQ(BoundTextures.diffuse, 0u);
	EXPECT_EQ(BoundTextures.specular, 0u);
	EXPECT_EQ(BoundTextures.diffuseScale, Tuple2f(1.0f, 1.0f));
	EXPECT_EQ(GetTexture("rgb.png", kRgba8, false)->count, 1u) << "a fresh entry";
}

TEST_F(TextureTest, ScaleWithAZeroComponentFollowsTheObjectsSize)
{
	const struct
	{
		Tuple2f requested;
		Tuple2f expected;
	} cases[] = {
		{{2.0f, 0.0f}, {3.0f, 2.0f}},
		{{0.0f, 0.5f}, {12.0f, 8.0f}},
		{{0.0f, 0.0f}, {FLT_MAX, FLT_MAX}},
		{{2.0f, 3.0f}, {2.0f, 3.0f}},
	};
	Composition* object = MakeObject(
		test::TransformXml("0 0 0", "6 4 1") +
		test::ComponentXml("Texture", "<string>rgb.png</string><string>GL_RGBA8</string>"));
	::Texture* texture = object->GetComponent<::Texture>();
	for (const auto& scale : cases)
	{
		texture->SetScale(scale.requested);
		EXPECT_EQ(texture->GetScale(), scale.expected) << scale.requested;
	}
}

TEST_F(TextureTest, ComponentLoadsDefaultsStartsListedAndSavesItsEntrysName)
{
	Composition* object = MakeObject(test::ComponentXml("Texture", "<string>rgb.png</string><string>GL_RGBA8</string>"));
	::Texture* texture = object->GetComponent<::Texture>();
	EXPECT_EQ(texture->GetScale(), Tuple2f(1.0f, 1.0f));
	EXPECT_EQ(texture->GetEntry()->media.internalFormat, kRgba8);
	EXPECT_EQ(TexParameter(*texture->GetEntry(), GL_TEXTURE_WRAP_S), GL_REPEAT);
	EXPECT_FALSE(texture->Update()) << "the base binds nothing";
	object->Start();
	EXPECT_TRUE(graphics->Textures().IsLinked(texture));

	const TextureEntry* old = texture->GetEntry();
	texture->ChangeTexture("rgba.png");
	EXPECT_EQ(old->count, 0u);
	const std::string saved = test::SavedText(*texture);
	EXPECT_THAT(saved, HasSubstr("<string name=\"texture name\">rgba.png</string>"));
	EXPECT_THAT(saved, HasSubstr("<string name=\"format\">GL_RGBA8</string>"));
	EXPECT_THAT(saved, HasSubstr("<Tuple2f name=\"scale\">1 1</Tuple2f>"));

	texture->Detach();
	EXPECT_FALSE(graphics->Textures().IsLinked(texture));
	texture->Detach();
	EXPECT_EQ(graphics->Textures().Count(), 0u) << "a second detach changes nothing";
}

TEST_F(TextureTest, ASaveAndReloadKeepsTheClampFlagScaleAndEmissiveFactor)
{
	const struct
	{
		const char* component;
		const char* values;
		Tuple2f scale;
		bool clamp;
		float emissiveFactor;
	} cases[] = {
		{"DiffuseTexture", "<Tuple2f>2 3</Tuple2f><bool>true</bool>", {2, 3}, true, 0},
		{"DiffuseTexture", "<bool>true</bool>", {1, 1}, true, 0},
		{"DiffuseTexture", "", {1, 1}, false, 0},
		{"EmissiveTexture", "<float>0.5</float>", {1, 1}, false, 0.5f},
		{"EmissiveTexture", "<float>0.5</float><bool>true</bool>", {1, 1}, true, 0.5f},
		{"EmissiveTexture", "<Tuple2f>2 2</Tuple2f><float>0.75</float><bool>true</bool>", {2, 2}, true, 0.75f},
	};
	for (const auto& c : cases)
	{
		std::string saved = std::string("<string>rgb.png</string><string>GL_RGBA8</string>") + c.values;
		for (int round = 0; round < 2; ++round)
		{
			Composition* object = MakeObject(test::ComponentXml(c.component, saved));
			const ::Texture* texture = static_cast<::Texture*>(object->GetComponent(ComponentTypeIdFromName(c.component)));
			const std::string what = std::string(c.component) + c.values + " round " + std::to_string(round);
			EXPECT_EQ(texture->GetScale(), c.scale) << what;
			if (const EmissiveTexture* emissive = object->GetComponent<EmissiveTexture>())
			{
				EXPECT_EQ(emissive->GetEmissiveFactor(), c.emissiveFactor) << what;
			}
			saved = test::SavedText(*object->GetComponent(ComponentTypeIdFromName(c.component)));
			EXPECT_THAT(saved, HasSubstr(c.clamp ? "<bool name=\"clamp\">true</bool>" : "<bool name=\"clamp\">false</bool>")) << what;
			saved = saved.substr(saved.find('>') + 1, saved.rfind('<') - saved.find('>') - 1);
		}
	}
}

TEST_F(TextureTest, SetTextureOutlastsADeviceLossAndIsSaved)
{
	Composition* object = StartedObject(test::ComponentXml("DiffuseTexture", "<string>rgb.png</string><string>GL_RGBA8</string>"));
	object->HandleMessage(Message("SetTexture").AddArgument(std::string("rgba.png")));
	Engine::SendMessage(Message("LosingDevice"));
	Engine::SendMessage(Message("LostDevice"));
	const DiffuseTexture* texture = object->GetComponent<DiffuseTexture>();
	EXPECT_EQ(texture->GetTextureName(), "rgba.png");
	EXPECT_THAT(Texels(*texture->GetEntry(), 4), ElementsAreArray({kRed, Rgba{0, 255, 0, 128}, Rgba{0, 0, 255, 64}, Rgba{255, 255, 255, 0}}));
	EXPECT_THAT(test::SavedText(*object->GetComponent<DiffuseTexture>()), HasSubstr("<string name=\"texture name\">rgba.png</string>"));
}
}
