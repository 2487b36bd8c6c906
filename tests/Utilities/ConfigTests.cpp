#include "Utilities/Config.h"

#include "TempFolder.h"
#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace
{
	namespace fs = std::filesystem;
	using ::testing::HasSubstr;

	class ConfigTest : public ::testing::Test
	{
	protected:
		void WriteConfig(const std::string& text) const { folder.WriteFile("Tumblewreck.cfg", text); }

		const test::TempFolder folder;
		const std::string path = folder.Path() + "Tumblewreck.cfg";
	};

	TEST_F(ConfigTest, GettersReadValuesFallBackToTheirDefaultsAndNeedADocument)
	{
		WriteConfig("<Config><FirstLevel>MainMenu</FirstLevel><Spaced> 42 </Spaced><Fraction>4.5</Fraction>"
					"<Trailing>12abc</Trailing><Word>yes</Word><One>1</One><Yes>true</Yes><Empty></Empty>"
					"<Nested><Inner>3</Inner></Nested><Twice>first</Twice><Twice>second</Twice></Config>");
		const ConfigFile config = Config::Load(path);

		// A present but empty setting is empty text, not the default.
		const std::pair<const char*, const char*> strings[] = {{"FirstLevel", "MainMenu"}, {"Missing", "x"}, {"Empty", ""}, {"Nested", ""}, {"Twice", "first"}};
		for (const auto& [key, expected] : strings)
			EXPECT_EQ(config.GetString(key, "x"), expected) << key;
		const std::pair<const char*, int> ints[] = {{"Spaced", 42}, {"Fraction", 4}, {"Trailing", 12}, {"Word", -1},
			{"Empty", -1}, {"Nested", -1}, {"Missing", -1}};
		for (const auto& [key, expected] : ints)
			EXPECT_EQ(config.GetInt(key, -1), expected) << key;
		EXPECT_TRUE(config.GetFloat("Fraction", 0.0f) == 4.5f && config.GetFloat("Word", 0.25f) == 0.25f);
		// Only the words true and false count: "1" is not a boolean word.
		EXPECT_TRUE(config.GetBool("Yes", false) && config.GetBool("Word", true) && !config.GetBool("One", false));

		const Config unloaded;
		EXPECT_EQ(FLExceptionOf([&] { unloaded.GetInt("Width", 1024); }), "No config file loaded.");
		EXPECT_THROW(unloaded.GetSection("Window"), FLException);
	}

	TEST_F(ConfigTest, SectionsAndListsAreViewsIntoOneDocument)
	{
		WriteConfig("<?xml version=\"1.0\" ?>\n<!-- user settings -->\n<Settings><Input><Button><Name>Jump</Name></Button>"
					"<Other /><Button><Name>Fire</Name></Button></Input><Window><Width>800</Width></Window></Settings>");
		{
			ConfigFile config = Config::Load(path);
			EXPECT_EQ(config.GetSection("Window").GetInt("Width", 0), 800) << "the first element after the declaration is the root";
			const tw::unordered_vector<Config> buttons = config.GetSection("Input").GetAll("Button");
			ASSERT_EQ(buttons.size(), 2u);
			EXPECT_EQ(buttons[0].GetString("Name", "") + buttons[1].GetString("Name", ""), "JumpFire");
			EXPECT_EQ(config.GetSection("Sound").GetFloat("MusicVolume", 0.5f), 0.5f);
		}
		const std::string written = test::ReadText(path);
		EXPECT_THAT(written, HasSubstr("<Sound />")) << "asking for a missing section adds it";
		for (const char* kept : {"<Name>Fire</Name>", "<!-- user settings -->", "<?xml version=\"1.0\" ?>"})
			EXPECT_THAT(written, HasSubstr(kept));
	}

	TEST_F(ConfigTest, MissingFileGivesDefaultsAndIsCreatedOnWriteBack)
	{
		{
			ConfigFile config = Config::Load(path);
			EXPECT_EQ(config.GetString("FirstLevel", "MainMenu"), "MainMenu");
			config.GetSection("Window");
			EXPECT_FALSE(fs::exists(path));
		}
		EXPECT_EQ(test::ReadText(path), "<Config>\n    <Window />\n</Config>\n");
		EXPECT_FALSE(fs::exists(path + ".bak")) << "nothing was there to keep";
	}

	TEST_F(ConfigTest, MalformedFileIsKeptAsBakAndDefaultsAreUsed)
	{
		const std::string broken = "<Config>\n  <FirstLevel>Level4</FirstLevel>\n  <Window><Width>800</Width>\n";
		WriteConfig(broken);
		const std::string diagnostics = StderrOf([&] {
			ConfigFile config = Config::Load(path);
			EXPECT_EQ(config.GetString("FirstLevel", "MainMenu"), "MainMenu") << "a half-read file gives no settings";
			EXPECT_EQ(config.GetSection("Window").GetInt("Width", 1024), 1024);
		});
		EXPECT_THAT(diagnostics, HasSubstr(path + ".bak"));
		EXPECT_EQ(test::ReadText(path + ".bak"), broken);
		EXPECT_EQ(test::ReadText(path), "<Config>\n    <Window />\n</Config>\n");
	}

	TEST_F(ConfigTest, PathThatIsNotAFileGivesDefaultsAndIsLeftAlone)
	{
		fs::create_directory(path);
		EXPECT_THAT(StderrOf([&] { EXPECT_EQ(Config::Load(path).GetInt("Width", 1024), 1024); }),
			HasSubstr("'" + path + "' is not a file"));
		EXPECT_TRUE(fs::is_directory(path));
	}

	TEST_F(ConfigTest, WriteBackKeepsValuesAndByteOrderMarkAndHappensOnce)
	{
		WriteConfig("\xEF\xBB\xBF<Config><Mute>true</Mute></Config>");
		{
			ConfigFile original = Config::Load(path);
			ConfigFile moved = std::move(original);
			EXPECT_TRUE(moved.GetBool("Mute", false));
			fs::remove(path);
			ConfigFile other = Config::Load(folder.Path() + "other.cfg");
			other = std::move(moved);
			EXPECT_TRUE(fs::exists(folder.Path() + "other.cfg")) << "the handle assigned over writes its own document first";
			fs::remove(folder.Path() + "other.cfg");
		}
		EXPECT_EQ(test::ReadText(path), "\xEF\xBB\xBF<Config>\n    <Mute>true</Mute>\n</Config>\n");
		EXPECT_FALSE(fs::exists(folder.Path() + "other.cfg")) << "a moved-from handle must not write again";
	}

	TEST_F(ConfigTest, NumbersIgnoreTheUsersLocale)
	{
		struct CommaDecimals : std::numpunct<char>
		{
			char do_decimal_point() const override { return ','; }
		};
		WriteConfig("<Config><Volume>0.75</Volume></Config>");
		const ConfigFile config = Config::Load(path);
		const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
		const float volume = config.GetFloat("Volume", 0.0f);
		std::locale::global(previous);
		EXPECT_EQ(volume, 0.75f);
	}
}
