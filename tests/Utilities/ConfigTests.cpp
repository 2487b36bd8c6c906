#include "Utilities/Config.h"

#include "FileSizeLimit.h"
#include "TempFolder.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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

	// Whatever is not a clean document is the user's and is kept byte for byte; a file nested
	// too deeply never reaches the recursive parser, and what is written instead stays small.
	TEST_F(ConfigTest, FilesThatDoNotParseCleanlyAreKeptByteForByteAndDefaultsWritten)
	{
		std::string deep;
		for (int level = 0; level < 10'000; ++level)
			deep += "<Config>";
		const std::pair<const char*, std::string> cases[] = {{"binary junk", std::string("\x00\x12\xFF<\x80junk\x00", 10)},
			{"INI text", "[Window]\nWidth=800\n"}, {"trailing text", "<Config><Mute>true</Mute></Config>\nWidth=800\n"},
			{"unclosed", "<Config><Mute>true</Mute>"}, {"deep nesting", deep}};
		for (const auto& [what, text] : cases)
		{
			WriteConfig(text);
			const std::string diagnostics = StderrOf([&] { EXPECT_FALSE(Config::Load(path).GetBool("Mute", false)) << what; });
			EXPECT_THAT(diagnostics, HasSubstr("'" + path + ".bak'")) << what;
			EXPECT_EQ(test::ReadText(path + ".bak"), text) << what;
			EXPECT_EQ(test::ReadText(path), "<Config />\n") << what;
			fs::remove(path + ".bak");
		}
	}

	TEST_F(ConfigTest, OnlyABlankFileCountsAsEmpty)
	{
		for (const char* blank : {"", " \n\t\r\n"})
		{
			WriteConfig(blank);
			EXPECT_EQ(StderrOf([&] { Config::Load(path).GetSection("Window"); }), "");
			EXPECT_EQ(test::ReadText(path), "<Config>\n    <Window />\n</Config>\n");
			EXPECT_FALSE(fs::exists(path + ".bak"));
		}
	}

	TEST_F(ConfigTest, ExistingBackupsAreNeverOverwritten)
	{
		folder.WriteFile("Tumblewreck.cfg.bak", "user's own backup");
		folder.WriteFile("Tumblewreck.cfg.bak.1", "an older broken file");
		WriteConfig("broken");
		EXPECT_THAT(StderrOf([&] { Config::Load(path); }), HasSubstr("kept as '" + path + ".bak.2'"));
		EXPECT_EQ(folder.ReadFile("Tumblewreck.cfg.bak"), "user's own backup");
		EXPECT_EQ(folder.ReadFile("Tumblewreck.cfg.bak.1"), "an older broken file");
		EXPECT_EQ(folder.ReadFile("Tumblewreck.cfg.bak.2"), "broken");
	}

	TEST_F(ConfigTest, AFileThatCannotBeBackedUpIsNeverOverwritten)
	{
		const std::string broken = "<Config><Window>" + std::string(8192, ' ') + "<Width>800</Width>";
		WriteConfig(broken);
		std::string diagnostics;
		{
			std::optional<ConfigFile> config;
			{
				// The copy fails part way, as on a full disk.
				const test::FileSizeLimit limit(4096);
				diagnostics = StderrOf([&] { config.emplace(Config::Load(path)); });
			}
			config->GetSection("Window").SetInt("Width", 1024);
		}
		EXPECT_THAT(diagnostics, HasSubstr("will not be overwritten"));
		EXPECT_EQ(test::ReadText(path), broken);
	}

	TEST_F(ConfigTest, WriteBackThroughASymbolicLinkKeepsTheLink)
	{
		folder.WriteFile("settings/real.cfg", "<Config><Mute>true</Mute></Config>");
		fs::create_symlink("settings/real.cfg", path);
		{
			const ConfigFile config = Config::Load(path);
			EXPECT_TRUE(config.GetBool("Mute", false));
			config.SetInt("Width", 640);
		}
		EXPECT_TRUE(fs::is_symlink(path));
		EXPECT_EQ(folder.ReadFile("settings/real.cfg"), "<Config>\n    <Mute>true</Mute>\n    <Width>640</Width>\n</Config>\n");
		// Nothing beside the link and the file it leads to.
		EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder.Path()), fs::recursive_directory_iterator()), 3);
	}

	TEST_F(ConfigTest, UnreadableSettingsGiveTheDefaultWithOneDiagnosticEach)
	{
		WriteConfig("<Config><Window><Width>wide</Width><Fullscreen>maybe</Fullscreen><Gamma>bright</Gamma></Window></Config>");
		const ConfigFile config = Config::Load(path);
		const Config window = config.GetSection("Window");
		const std::string diagnostics = StderrOf([&]
		{
			for (int call = 0; call < 3; ++call)
			{
				EXPECT_EQ(window.GetInt("Width", 800), 800);
				EXPECT_TRUE(window.GetBool("Fullscreen", true));
				EXPECT_EQ(window.GetFloat("Gamma", 1.5f), 1.5f);
			}
			tw::Diagnostics::EndFrame();
		});
		for (const char* named : {"setting 'Width' of 'Window' reads \"wide\", which is not a whole number; the default 800 is used\n",
				 "setting 'Fullscreen' of 'Window' reads \"maybe\", which is not true or false; the default true is used\n",
				 "setting 'Gamma' of 'Window' reads \"bright\", which is not a number; the default 1.5 is used\n"})
		{
			EXPECT_THAT(diagnostics, HasSubstr(named));
			EXPECT_EQ(diagnostics.find(named), diagnostics.rfind(named)) << "printed once: " << named;
		}
	}

	// Only a file whose unreadable text a setter replaces is backed up before it is written, and a
	// backup that cannot be made (the copy fails part way, as on a full disk) keeps the file as it is.
	TEST_F(ConfigTest, ReplacingUnreadableTextQuotesItAndBacksTheFileUpFirst)
	{
		const std::string large = "<Config>" + std::string(8192, ' ') + "<Width>wide</Width></Config>";
		const struct
		{
			std::string text;
			bool set, backedUp;
			rlim_t sizeLimit;
		} cases[] = {{"<Config><Width>800</Width></Config>", true, false, RLIM_INFINITY}, {"<Config><Width>wide</Width></Config>", false, false, RLIM_INFINITY},
			{"<Config><Width>wide</Width></Config>", true, true, RLIM_INFINITY}, {large, true, false, 4096}};
		for (const auto& c : cases)
		{
			WriteConfig(c.text);
			fs::remove(path + ".bak");
			const test::FileSizeLimit limit(c.sizeLimit);
			const std::string diagnostics = StderrOf([&] {
				const ConfigFile config = Config::Load(path);
				config.GetInt("Width", 640);
				if (c.set)
					config.SetInt("Width", 1024);
			});
			// A copy that failed part way may leave a partial backup behind.
			const bool unlimited = c.sizeLimit == RLIM_INFINITY;
			EXPECT_TRUE(!unlimited || test::ReadText(path + ".bak") == (c.backedUp ? c.text : ""));
			EXPECT_EQ(test::ReadText(path).find("1024") != std::string::npos, c.set && unlimited) << diagnostics;
		}
	}

	TEST_F(ConfigTest, SettersReplaceOrAddTheKeyWithTheValuesText)
	{
		WriteConfig("<Config><Window><Width>800<!-- note --></Width></Window></Config>");
		{
			const ConfigFile config = Config::Load(path);
			const Config window = config.GetSection("Window");
			window.SetInt("Width", 1024);
			window.SetBool("Fullscreen", false);
			window.SetFloat("Gamma", 0.5f);
			window.SetString("Name", " a <b> ");
			EXPECT_EQ(window.GetInt("Width", 0), 1024);
			EXPECT_FALSE(window.GetBool("Fullscreen", true));
			EXPECT_EQ(window.GetFloat("Gamma", 0.0f), 0.5f);
			EXPECT_EQ(window.GetString("Name", ""), " a <b> ");
		}
		EXPECT_EQ(test::ReadText(path), "<Config>\n    <Window>\n        <Width>1024</Width>\n        <Fullscreen>false</Fullscreen>\n"
										"        <Gamma>0.5</Gamma>\n        <Name> a &lt;b&gt; </Name>\n    </Window>\n</Config>\n");
	}
}
