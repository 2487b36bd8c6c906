#include "Serializer.h"

#include "Utilities/SearchPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	namespace fs = std::filesystem;
	using ::testing::HasSubstr;

	const std::string kDataDir = std::string(TW_TEST_DATA_DIR) + "Serializer/";

	std::string ReadWholeFile(const fs::path& path)
	{
		std::ifstream in(path, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	}

	void WriteWholeFile(const fs::path& path, const std::string& text)
	{
		std::ofstream(path, std::ios::binary) << text;
	}

	std::string Saved(const Serializer& serializer)
	{
		std::ostringstream out;
		EXPECT_TRUE(serializer.SaveToStream(out));
		return out.str();
	}

	bool LoadText(Serializer& serializer, const std::string& text, const std::string& name)
	{
		std::istringstream in(text);
		return serializer.LoadFromStream(in, name);
	}

	// Every test starts with an empty file cache and the fixtures on the search paths; files a
	// test writes go to a folder of its own.
	class SerializerTest : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			AddSearchPath(kDataDir);
			Serializer::ClearFileCache();
			folder = fs::temp_directory_path() / ("tw-serializer-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
			fs::remove_all(folder);
			fs::create_directories(folder);
		}
		void TearDown() override
		{
			Serializer::ClearFileCache();
			fs::remove_all(folder);
		}

		fs::path folder;
	};

	using SerializerFormat = SerializerTest;
	using SerializerFiles = SerializerTest;
	using SerializerReading = SerializerTest;

	TEST_F(SerializerFormat, WritingProducesTheDocumentLayout)
	{
		Serializer writer;
		writer.Write<std::string>("nextLevel", "Level2").Write<std::string>("prevLevel", "");
		writer.EnterNode("", "ObjectGroup");
		writer.EnterNode("", "Object");
		writer.Write<std::string>("Archetype", "Crate");
		writer.EnterNode("", "Component");
		writer.Write<std::string>("ComponentName", "Sample")
			.Write("third", 1.0f / 3.0f)
			.Write("large", 1234567.0f)
			.Write("flag", true)
			.Write("count", 42u)
			.Write("offset", -7)
			.Write("pos", Tuple3f(1.5f, -2.0f, 0.0f))
			.Write("size", Tuple2i(640, 480))
			.Write("uv", Tuple2f(0.25f, 1.0f))
			.Write("color", Tuple4f(0.1f, 0.2f, 0.3f, 1.0f))
			.Write("rect", Tuple4i(-1, 0, 64, 48))
			.Write(nullptr, 5);
		writer.LeaveNode();
		writer.LeaveNode();
		writer.EnterNode("Objects/Barrel.xml", "Object");
		writer.SkipNode();
		writer.LeaveNode();
		writer.EnterNode("", "");
		writer.Write<std::string>("ObjectArchetype", "Origin");
		writer.LeaveNode();
		writer.LeaveNode();
		EXPECT_EQ(writer.GetDepth(), 0u);

		EXPECT_EQ(Saved(writer), "<Unknown>\n"
								 "\t<string name=\"nextLevel\">Level2</string>\n"
								 "\t<string name=\"prevLevel\" />\n"
								 "\t<ObjectGroup>\n"
								 "\t\t<Object>\n"
								 "\t\t\t<string name=\"Archetype\">Crate</string>\n"
								 "\t\t\t<Component>\n"
								 "\t\t\t\t<string name=\"ComponentName\">Sample</string>\n"
								 "\t\t\t\t<float name=\"third\">0.333333</float>\n"
								 "\t\t\t\t<float name=\"large\">1.23457e+06</float>\n"
								 "\t\t\t\t<bool name=\"flag\">true</bool>\n"
								 "\t\t\t\t<unsigned name=\"count\">42</unsigned>\n"
								 "\t\t\t\t<int name=\"offset\">-7</int>\n"
								 "\t\t\t\t<Tuple3f name=\"pos\">1.5 -2 0</Tuple3f>\n"
								 "\t\t\t\t<Tuple2i name=\"size\">640 480</Tuple2i>\n"
								 "\t\t\t\t<Tuple2f name=\"uv\">0.25 1</Tuple2f>\n"
								 "\t\t\t\t<Tuple4f name=\"color\">0.1 0.2 0.3 1</Tuple4f>\n"
								 "\t\t\t\t<Tuple4i name=\"rect\">-1 0 64 48</Tuple4i>\n"
								 "\t\t\t\t<int>5</int>\n"
								 "\t\t\t</Component>\n"
								 "\t\t</Object>\n"
								 "\t\t<Object file=\"Objects/Barrel.xml\" />\n"
								 "\t\t<Unknown>\n"
								 "\t\t\t<string name=\"ObjectArchetype\">Origin</string>\n"
								 "\t\t</Unknown>\n"
								 "\t</ObjectGroup>\n"
								 "</Unknown>\n");
	}

	TEST_F(SerializerFormat, EmptyDocumentSavesAsAnEmptyUnknownElement)
	{
		Serializer empty;
		EXPECT_EQ(Saved(empty), "<Unknown />\n");
	}

	TEST_F(SerializerFormat, ValuesReadBackAsWrittenInMemoryAndThroughText)
	{
		Serializer writer;
		writer.Write("b", false).Write("i", -2147483647).Write("u", 4294967295u).Write("f", -0.5f);
		writer.Write<std::string>("s", "two words here").Write<std::string>("empty", "");
		writer.Write("t2i", Tuple2i(-3, 9)).Write("t2f", Tuple2f(0.5f, -8.0f)).Write("t3f", Tuple3f(1.0f, 2.0f, 3.25f));
		writer.Write("t4f", Tuple4f(0.0f, 0.0f, 0.0f, 1.0f)).Write("t4i", Tuple4i(1, 2, 3, 4));

		Serializer reloaded;
		ASSERT_TRUE(LoadText(reloaded, Saved(writer), "values.xml"));
		writer.SwitchToReading();
		for (Serializer* reader : {&writer, &reloaded})
		{
			bool b = true;
			int i = 0;
			unsigned u = 0;
			float f = 0;
			std::string s = "x", empty = "x";
			Tuple2i t2i;
			Tuple2f t2f;
			Tuple3f t3f;
			Tuple4f t4f;
			Tuple4i t4i;
			reader->Read(b).Read(i).Read(u).Read(f).Read(s).Read(empty).Read(t2i).Read(t2f).Read(t3f).Read(t4f).Read(t4i);
			EXPECT_FALSE(b);
			EXPECT_EQ(i, -2147483647);
			EXPECT_EQ(u, 4294967295u);
			EXPECT_EQ(f, -0.5f);
			EXPECT_EQ(s, "two words here");
			EXPECT_EQ(empty, "") << "an empty string must come back empty, not shift the later values";
			EXPECT_EQ(t2i, Tuple2i(-3, 9));
			EXPECT_EQ(t2f, Tuple2f(0.5f, -8.0f));
			EXPECT_EQ(t3f, Tuple3f(1.0f, 2.0f, 3.25f));
			EXPECT_EQ(t4f, Tuple4f(0.0f, 0.0f, 0.0f, 1.0f));
			EXPECT_EQ(t4i, Tuple4i(1, 2, 3, 4));
			EXPECT_FALSE(reader->HasMore());
		}
	}

	// TinyXML condenses spaces and drops blank text when it parses; strings must still come
	// back exactly as the game wrote them.
	TEST_F(SerializerFormat, StringsSurviveSaveAndLoadExactly)
	{
		const std::vector<std::string> strings = {" padded ", "two  spaces", "   ", "\t", "line\nbreak", "&#x41; is not A",
												  "<tag> & \"quotes\"", "caf\xC3\xA9", ""};
		Serializer writer;
		for (const std::string& text : strings)
			writer.Write("s", text).Write(text.c_str(), 1);
		Serializer reader;
		ASSERT_TRUE(LoadText(reader, Saved(writer), "strings.xml"));
		EXPECT_EQ(Saved(reader), Saved(writer));

		// CDATA cannot hold "]]>", so such a value is saved as TinyXML reads it back.
		Serializer bracketWriter;
		bracketWriter.Write<std::string>("s", "  a  ]]> b ");
		Serializer bracketReader;
		ASSERT_TRUE(LoadText(bracketReader, Saved(bracketWriter), "brackets.xml"));
		EXPECT_EQ(Saved(bracketReader), Saved(bracketWriter));
		EXPECT_EQ(bracketReader.ReadString(), "a ]]> b");
		for (const std::string& text : strings)
		{
			std::string read = "unset";
			int marker = 0;
			reader.Read(read).Read(marker);
			EXPECT_EQ(read, text);
			EXPECT_EQ(marker, 1) << "values after \"" << text << "\" must stay in place";
		}
	}

	// Numbers in data files must not follow the user's locale, or a German desktop would
	// write "1,5" and read "1" back.
	TEST_F(SerializerFormat, NumbersUseTheClassicLocaleWhateverTheUsersIs)
	{
		struct CommaDecimals : std::numpunct<char>
		{
			char do_decimal_point() const override { return ','; }
			char do_thousands_sep() const override { return '.'; }
			std::string do_grouping() const override { return "\3"; }
		};
		const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));

		Serializer writer;
		writer.Write("f", 1234.5f).Write("i", 1234567);
		const std::string text = Saved(writer);
		Serializer reader;
		const bool loaded = LoadText(reader, "<Unknown><float>2.25</float></Unknown>", "locale.xml");
		float value = 0;
		reader.Read(value);
		std::locale::global(previous);

		EXPECT_THAT(text, HasSubstr(">1234.5<"));
		EXPECT_THAT(text, HasSubstr(">1234567<"));
		ASSERT_TRUE(loaded);
		EXPECT_EQ(value, 2.25f);
	}

	TEST_F(SerializerFiles, CanonicalLevelSavesByteForByte)
	{
		Serializer level;
		ASSERT_TRUE(level.LoadFile("Levels/Canonical.xml"));
		EXPECT_EQ(Saved(level), ReadWholeFile(kDataDir + "Levels/Canonical.xml"))
			<< "archetype contents must stay behind their \"file\" reference";
	}

	TEST_F(SerializerFiles, LoadSaveLoadSaveIsStable)
	{
		for (const char* name : {"Levels/Canonical.xml", "Levels/HandEdited.xml", "Groups/House.xml", "Objects/Barrel.xml"})
		{
			SCOPED_TRACE(name);
			Serializer first;
			ASSERT_TRUE(first.LoadFile(name));
			const fs::path savedPath = folder / "first.xml";
			ASSERT_TRUE(first.SaveFile(savedPath.string()));
			const std::string firstSave = ReadWholeFile(savedPath);

			Serializer second;
			ASSERT_TRUE(second.LoadFile(savedPath.string()));
			ASSERT_TRUE(second.SaveFile((folder / "second.xml").string()));
			EXPECT_EQ(ReadWholeFile(folder / "second.xml"), firstSave);
			Serializer::ClearFileCache();
		}
	}

	TEST_F(SerializerFiles, HandEditedLayoutIsNormalisedOnSave)
	{
		Serializer level;
		ASSERT_TRUE(level.LoadFile("Levels/HandEdited.xml"));
		const std::string text = Saved(level);
		EXPECT_THAT(text, HasSubstr("<Level name=\"Edited\">\n"));
		EXPECT_THAT(text, HasSubstr("\t<string name=\"prevLevel\" />\n"));
		EXPECT_THAT(text, HasSubstr("\t<ObjectGroup file=\"Groups/House.xml\">\n\t\t<Object name=\"Lamp\">\n"));
		EXPECT_THAT(text, HasSubstr("<Tuple3f name=\"color\">1 0.5 0</Tuple3f>"));
		EXPECT_THAT(text, HasSubstr("<float name=\"range\">12.5</float>"));
		EXPECT_EQ(text.find("Wall"), std::string::npos) << "the group file's objects belong to the group file";
		EXPECT_EQ(text.find("<?xml"), std::string::npos);
		EXPECT_EQ(text.find("<!--"), std::string::npos);
	}

	struct LoadedObject
	{
		std::string name;
		bool inherited;
		std::string file;
		std::vector<std::pair<std::string, bool>> components;
	};

	// Walks one group the way level loading does and applies its inherited-flag rule.
	std::vector<LoadedObject> WalkGroup(Serializer& level, int baseDepth)
	{
		const auto enter = [&level]
		{
			const unsigned before = level.GetDepth();
			level.EnterNode("", "");
			return level.GetDepth() > before ? static_cast<int>(before) : static_cast<int>(level.GetDepth()) - 1;
		};
		std::vector<LoadedObject> objects;
		while (level.HasMore())
		{
			LoadedObject object;
			object.inherited = enter() > baseDepth;
			object.name = level.ReadString();
			object.file = level.PeekValue() ? level.PeekValue() : "";
			while (object.name != "Origin" && level.HasMore())
			{
				const bool inherited = enter() > baseDepth + 1;
				object.components.emplace_back(level.ReadString(), inherited);
				level.LeaveNode();
			}
			level.LeaveNode();
			objects.push_back(object);
		}
		return objects;
	}

	TEST_F(SerializerReading, ArchetypeContentsComeFirstAndCountAsInherited)
	{
		Serializer level;
		ASSERT_TRUE(level.LoadFile("Levels/Canonical.xml"));
		EXPECT_EQ(level.ReadString(), "Level2");
		EXPECT_EQ(level.ReadString(), "MainMenu");

		level.EnterNode("", "");
		EXPECT_EQ(level.PeekValue(), nullptr);
		const std::vector<LoadedObject> first = WalkGroup(level, 1);
		level.LeaveNode();
		ASSERT_EQ(first.size(), 3u);
		EXPECT_EQ(first[0].name, "Crate");
		EXPECT_FALSE(first[0].inherited);
		EXPECT_EQ(first[0].components, (std::vector<std::pair<std::string, bool>>{{"Transform", false}, {"Model", false}}));
		EXPECT_EQ(first[1].name, "Barrel");
		EXPECT_EQ(first[1].file, "Objects/Barrel.xml");
		EXPECT_FALSE(first[1].inherited);
		EXPECT_EQ(first[1].components,
				  (std::vector<std::pair<std::string, bool>>{{"Transform", true}, {"Health", true}, {"Health", false}}));
		EXPECT_EQ(first[2].name, "Origin");

		level.EnterNode("", "");
		EXPECT_STREQ(level.PeekValue(), "Groups/House.xml");
		const std::vector<LoadedObject> second = WalkGroup(level, 1);
		level.LeaveNode();
		std::vector<std::pair<std::string, bool>> names;
		for (const LoadedObject& object : second)
			names.emplace_back(object.name, object.inherited);
		EXPECT_EQ(names, (std::vector<std::pair<std::string, bool>>{
							 {"Wall", true}, {"Barrel", true}, {"Origin", true}, {"Chimney", false}, {"Origin", false}}));
		EXPECT_EQ(level.GetDepth(), 0u);

		level.EnterNode("", "");
		level.EnterNode("", "");
		EXPECT_EQ(level.ReadString(), "Player");
		level.EnterNode("", "");
		std::string component, title, note = "unset";
		Tuple2i viewport;
		Tuple4f clear;
		Tuple4i bounds;
		Tuple2f range;
		int priority = 0;
		level.Read(component).Read(viewport).Read(clear).Read(bounds).Read(range).Read(priority).Read(title).Read(note);
		EXPECT_EQ(component, "Camera");
		EXPECT_EQ(viewport, Tuple2i(1024, 768));
		EXPECT_EQ(clear, Tuple4f(0.1f, 0.2f, 0.3f, 1.0f));
		EXPECT_EQ(bounds, Tuple4i(-1, 0, 640, 480));
		EXPECT_EQ(range, Tuple2f(0.333333f, 1000.0f));
		EXPECT_EQ(priority, -2);
		EXPECT_EQ(title, "The Long Road Home");
		EXPECT_EQ(note, "");
	}

	TEST_F(SerializerReading, SkipNodePassesOverTheSplicedArchetype)
	{
		Serializer level;
		ASSERT_TRUE(level.LoadFile("Levels/Canonical.xml"));
		level.ReadString();
		level.ReadString();
		level.EnterNode("", "");
		level.LeaveNode();
		level.EnterNode("", "");
		const unsigned inside = level.GetDepth();
		level.SkipNode();
		EXPECT_EQ(level.GetDepth(), inside - 1);
		level.EnterNode("", "");
		EXPECT_EQ(level.ReadString(), "Chimney");
	}

	TEST_F(SerializerReading, HandEditedElementsFollowTheLoadingRules)
	{
		Serializer level;
		ASSERT_TRUE(level.LoadFile("Levels/HandEdited.xml"));
		EXPECT_EQ(level.ReadString(), "Level3");
		EXPECT_EQ(level.ReadString(), "") << "an element written <string></string> holds the empty string";
		level.EnterNode("", "");
		for (int spliced = 0; spliced < 3; ++spliced)
		{
			level.EnterNode("", "");
			level.LeaveNode();
		}
		level.EnterNode("", "");
		EXPECT_EQ(level.PeekValue(), nullptr) << "file=\"\" names no archetype";
		EXPECT_EQ(level.ReadString(), "Lamp");
		level.EnterNode("", "");
		std::string name;
		Tuple3f color;
		float range = 0;
		level.Read(name).Read(color).Read(range);
		EXPECT_EQ(name, "Light");
		EXPECT_EQ(color, Tuple3f(1.0f, 0.5f, 0.0f));
		EXPECT_EQ(range, 12.5f) << "text before child elements makes a value";
		EXPECT_FALSE(level.HasMore()) << "a value's child elements are ignored";
	}

	TEST_F(SerializerFiles, SelfIncludingArchetypesLoadWithoutRecursion)
	{
		struct Case
		{
			const char* file;
			const char* chain;
		};
		for (const Case& test : {Case{"Objects/Self.xml", "Objects/Self.xml -> Objects/Self.xml"},
								 Case{"Objects/PingA.xml", "Objects/PingA.xml -> Objects/PingB.xml -> Objects/PingA.xml"}})
		{
			SCOPED_TRACE(test.file);
			Serializer::ClearFileCache();
			Serializer archetype;
			::testing::internal::CaptureStderr();
			const bool loaded = archetype.LoadFile(test.file);
			const std::string diagnostics = ::testing::internal::GetCapturedStderr();
			ASSERT_TRUE(loaded);
			EXPECT_THAT(diagnostics, HasSubstr(test.chain));
			EXPECT_FALSE(archetype.ReadString().empty());
		}
		Serializer self;
		ASSERT_TRUE(self.LoadFile("Objects/Self.xml"));
		EXPECT_EQ(self.ReadString(), "Self");
		self.EnterNode("", "");
		EXPECT_FALSE(self.HasMore()) << "the self-reference contributes nothing";
		self.LeaveNode();
		self.EnterNode("", "");
		EXPECT_EQ(self.ReadString(), "Tag");
	}

	TEST_F(SerializerFiles, MalformedOrTruncatedXmlIsAnErrorNamingTheFile)
	{
		const std::string canonical = ReadWholeFile(kDataDir + "Levels/Canonical.xml");
		struct Case
		{
			std::string name;
			std::string text;
		};
		const std::vector<Case> cases = {
			{"truncated.xml", canonical.substr(0, canonical.size() / 2)},
			{"cut-in-tag.xml", "<Unknown><string name=\"a"},
			{"mismatched.xml", "<Unknown><string>1</Unknown>"},
			{"empty.xml", ""},
			{"no-element.xml", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n"},
			{"bad-attribute.xml", "<Unknown a></Unknown>"},
			{"open-comment.xml", "<Unknown><!-- x</Unknown>"},
			{"binary.mdl", std::string("\x12\x41\x21\x53<Unknown />", 15)},
		};
		for (const Case& test : cases)
		{
			SCOPED_TRACE(test.name);
			Serializer reader;
			::testing::internal::CaptureStderr();
			EXPECT_FALSE(LoadText(reader, test.text, test.name));
			const std::string diagnostics = ::testing::internal::GetCapturedStderr();
			EXPECT_THAT(diagnostics, HasSubstr("'" + test.name + "'"));
			EXPECT_FALSE(reader.HasMore());

			Serializer retry;
			EXPECT_TRUE(LoadText(retry, "<Unknown><int>3</int></Unknown>", test.name)) << "a failed load must not be cached";
		}

		const fs::path broken = folder / "broken.xml";
		WriteWholeFile(broken, canonical.substr(0, 100));
		Serializer reader;
		::testing::internal::CaptureStderr();
		EXPECT_FALSE(reader.LoadFile(broken.string()));
		EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr(broken.string()));
	}

	TEST_F(SerializerFiles, MissingOrUnreadableFilesAreRefused)
	{
		for (const std::string& name : {std::string("Levels/Nowhere.xml"), folder.string()})
		{
			Serializer reader;
			::testing::internal::CaptureStderr();
			EXPECT_FALSE(reader.LoadFile(name));
			EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr(name));
		}
	}

	TEST_F(SerializerReading, ReadingPastTheEndKeepsTheDefaultAndSaysWhere)
	{
		Serializer reader;
		ASSERT_TRUE(LoadText(reader, "<Unknown><Object><float name=\"a\">1</float></Object><int>4</int></Unknown>", "short.xml"));
		reader.EnterNode("", "");
		float a = 0, b = 9;
		::testing::internal::CaptureStderr();
		reader.Read(a).Read(b);
		std::string diagnostics = ::testing::internal::GetCapturedStderr();
		EXPECT_EQ(a, 1.0f);
		EXPECT_EQ(b, 9.0f);
		EXPECT_THAT(diagnostics, HasSubstr("'short.xml'"));
		EXPECT_THAT(diagnostics, HasSubstr("value 2 of 'Object' (float) is missing"));

		// An element that is not there reads as empty, and its LeaveNode keeps the walk aligned.
		::testing::internal::CaptureStderr();
		reader.EnterNode("", "");
		EXPECT_FALSE(reader.HasMore());
		reader.Read(b);
		reader.LeaveNode();
		reader.LeaveNode();
		int after = 0;
		reader.Read(after);
		EXPECT_EQ(after, 4);
		EXPECT_EQ(b, 9.0f);

		// A value where an element was expected, and a group where a value was: defaults again.
		reader.Rewind();
		int notAValue = 5;
		reader.Read(notAValue);
		EXPECT_EQ(notAValue, 5);
		reader.EnterNode("", "");
		reader.LeaveNode();
		reader.EnterNode("", "");
		reader.LeaveNode();
		reader.LeaveNode();
		diagnostics = ::testing::internal::GetCapturedStderr();
		EXPECT_THAT(diagnostics, HasSubstr("no element where element 2 of 'Object' was expected"));
		EXPECT_THAT(diagnostics, HasSubstr("value 1 of 'Unknown' (int) is an element"));
		EXPECT_THAT(diagnostics, HasSubstr("a value where element 2 of 'Unknown' was expected"));
		EXPECT_THAT(diagnostics, HasSubstr("never entered"));
	}

	TEST_F(SerializerReading, UnreadableValuesKeepTheDefault)
	{
		Serializer reader;
		ASSERT_TRUE(LoadText(reader,
							 "<Unknown><int name=\"count\">abc</int><bool name=\"flag\">1</bool><float name=\"speed\">fast</float>"
							 "<Tuple3f name=\"pos\">1 2</Tuple3f><unsigned name=\"huge\">99999999999</unsigned>"
							 "<int name=\"partial\">4.5</int></Unknown>",
							 "bad-values.xml"));
		int count = -1, partial = -1;
		bool flag = true;
		float speed = 3;
		Tuple3f pos(7, 8, 9);
		unsigned huge = 5;
		::testing::internal::CaptureStderr();
		reader.Read(count).Read(flag).Read(speed).Read(pos).Read(huge).Read(partial);
		const std::string diagnostics = ::testing::internal::GetCapturedStderr();
		EXPECT_EQ(count, -1);
		EXPECT_TRUE(flag);
		EXPECT_EQ(speed, 3.0f);
		EXPECT_EQ(pos, Tuple3f(7, 8, 9)) << "a half-read tuple must not leak into the destination";
		EXPECT_EQ(huge, 5u);
		EXPECT_EQ(partial, 4) << "like a stream extraction, trailing text after a number is ignored";
		for (const char* name : {"'count'", "'flag'", "'speed'", "'pos'", "'huge'"})
			EXPECT_THAT(diagnostics, HasSubstr(name));
		EXPECT_THAT(diagnostics, HasSubstr("'bad-values.xml'"));
	}

	// Converting a cached node in place would let the first reader's type decide what the
	// second reader's bytes mean.
	TEST_F(SerializerReading, ReadersOfOneCachedFileEachReadTheirOwnType)
	{
		Serializer first, second, third;
		ASSERT_TRUE(LoadText(first, "<Unknown><float name=\"v\">2.5</float></Unknown>", "shared.xml"));
		std::istringstream nothing;
		nothing.setstate(std::ios::failbit);
		ASSERT_TRUE(second.LoadFromStream(nothing, "shared.xml")) << "the second load must come from the cache";
		ASSERT_TRUE(third.LoadFile("shared.xml"));
		int asInt = 0;
		float asFloat = 0;
		std::string asText;
		first.Read(asInt);
		second.Read(asFloat);
		third.Read(asText);
		EXPECT_EQ(asInt, 2);
		EXPECT_EQ(asFloat, 2.5f);
		EXPECT_EQ(asText, "2.5");
	}

	TEST_F(SerializerFiles, CacheHoldsAFileUntilClearedOrSavedOver)
	{
		const std::string path = (folder / "cached.xml").string();
		const auto valueIn = [&path]
		{
			Serializer reader;
			int value = -1;
			EXPECT_TRUE(reader.LoadFile(path));
			reader.Read(value);
			return value;
		};
		WriteWholeFile(path, "<Unknown><int>1</int></Unknown>");
		EXPECT_EQ(valueIn(), 1);
		WriteWholeFile(path, "<Unknown><int>2</int></Unknown>");
		EXPECT_EQ(valueIn(), 1) << "a parsed file is not reread";
		Serializer::ClearFileCache();
		EXPECT_EQ(valueIn(), 2);

		Serializer writer;
		writer.Write("v", 3);
		ASSERT_TRUE(writer.SaveFile(path));
		EXPECT_EQ(valueIn(), 3) << "saving must drop the stale parse";
	}

	TEST_F(SerializerFiles, FailedSaveReportsAndLeavesTheOldFile)
	{
		const fs::path target = folder / "level.xml";
		WriteWholeFile(target, "old level");
		fs::create_directory(folder / "level.xml.tmp");
		Serializer writer;
		writer.Write("v", 1);
		::testing::internal::CaptureStderr();
		EXPECT_FALSE(writer.SaveFile(target.string()));
		EXPECT_FALSE(writer.SaveFile((folder / "missing" / "level.xml").string()));
		const std::string diagnostics = ::testing::internal::GetCapturedStderr();
		EXPECT_EQ(ReadWholeFile(target), "old level");
		EXPECT_THAT(diagnostics, HasSubstr(target.string()));
		EXPECT_FALSE(fs::exists(folder / "missing"));
	}

	TEST_F(SerializerFiles, WritesAreRefusedWhileReadingACachedFile)
	{
		Serializer reader;
		ASSERT_TRUE(reader.LoadFile("Objects/Barrel.xml"));
		::testing::internal::CaptureStderr();
		reader.Write("extra", 1);
		EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("'extra' written while reading"));
		Serializer again;
		ASSERT_TRUE(again.LoadFile("Objects/Barrel.xml"));
		EXPECT_EQ(Saved(again), ReadWholeFile(kDataDir + "Objects/Barrel.xml"));
	}
}
