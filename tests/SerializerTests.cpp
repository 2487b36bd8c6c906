#include "Serializer.h"

#include "EngineTestSupport.h"
#include "FileSizeLimit.h"
#include "Platform/OpenedFolder.h"
#include "Utilities/SearchPaths.h"
#include "Utilities/TestHelpers.h"
#include "Utilities/XmlNesting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <locale>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace
{
	namespace fs = std::filesystem;
	using ::testing::HasSubstr;
	using ::testing::Not;
	using test::FileSizeLimit;

	const std::string kDataDir = std::string(TW_TEST_DATA_DIR) + "Serializer/";

	std::string SerializedText(const Serializer& serializer)
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

	// The next value read as a T; the given default when there is none.
	template <class T>
	T ReadNext(Serializer& reader, T value = T())
	{
		reader.Read(value);
		return value;
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
		}
		void TearDown() override { Serializer::ClearFileCache(); }

		test::TempFolder folder;
	};

	using SerializerFormat = SerializerTest;
	using SerializerFiles = SerializerTest;
	using SerializerReading = SerializerTest;

	TEST_F(SerializerFormat, KeptRestOfAnElementIsWrittenBackAsItCame)
	{
		const std::string rest = "<float name=\"Reach\">2.5</float><Crate><int name=\"n\">3</int><Unknown /></Crate>";
		std::istringstream text("<Unknown><Step><string name=\"kind\">Mystery</string>" + rest + "</Step><int>7</int></Unknown>");
		Serializer reader;
		ASSERT_TRUE(reader.LoadFromStream(text, "Kept.xml"));
		reader.EnterNode("", "");
		EXPECT_EQ(reader.ReadString(), "Mystery");
		const std::shared_ptr<const Serializer::Tree> kept = reader.KeepRest();
		EXPECT_FALSE(reader.HasMore());
		reader.LeaveNode();
		EXPECT_EQ(ReadNext<int>(reader), 7) << "the cursor stands after the element";

		Serializer writer;
		writer.EnterNode("", "Step");
		writer.Write<std::string>("kind", "Mystery");
		writer.WriteKept(*kept);
		writer.LeaveNode();
		writer.Write("n", 7);
		std::istringstream expected("<Unknown><Step><string name=\"kind\">Mystery</string>" + rest + "</Step><int name=\"n\">7</int></Unknown>");
		Serializer original;
		ASSERT_TRUE(original.LoadFromStream(expected, "KeptExpected.xml"));
		EXPECT_EQ(SerializedText(writer), SerializedText(original));
	}

	TEST_F(SerializerFormat, WritingProducesTheDocumentLayout)
	{
		EXPECT_EQ(SerializedText(Serializer()), "<Unknown />\n");
		Serializer writer;
		writer.Write<std::string>("prevLevel", "");
		writer.EnterNode("", "Object");
		writer.EnterNode("", "Component");
		writer.Write("third", 1.0f / 3.0f).Write("large", 1234567.0f).Write("flag", true).Write("pos", Tuple3f(1.5f, -2.0f, 0.0f));
		writer.Write(nullptr, 5);
		writer.LeaveNode();
		writer.LeaveNode();
		writer.EnterNode("Objects/Barrel.xml", "Object");
		writer.SkipNode();
		writer.LeaveNode();
		writer.EnterNode("", "");
		writer.LeaveNode();
		EXPECT_EQ(writer.GetDepth(), 0u);
		EXPECT_EQ(SerializedText(writer), test::ReadText(kDataDir + "Layout.xml"));
	}

	TEST_F(SerializerFormat, ValuesReadBackAsWrittenInMemoryAndThroughText)
	{
		// The empty string must come back empty, not shift the later values.
		const auto written = std::make_tuple(false, -2147483647, 4294967295u, -0.5f, std::string("two words here"), std::string(),
			Tuple2i(-3, 9), Tuple2f(0.5f, -8.0f), Tuple3f(1.0f, 2.0f, 3.25f), Tuple4f(0.0f, 0.0f, 0.0f, 1.0f), Tuple4i(1, 2, 3, 4));
		Serializer writer;
		std::apply([&](const auto&... value) { (writer.Write("v", value), ...); }, written);
		const std::string text = SerializedText(writer);
		for (const char* type : {"bool", "int", "unsigned", "float", "string", "Tuple2i", "Tuple2f", "Tuple3f", "Tuple4f", "Tuple4i"})
			EXPECT_THAT(text, HasSubstr(std::string("<") + type + " name=\"v\""));

		Serializer reloaded;
		ASSERT_TRUE(LoadText(reloaded, text, "values.xml"));
		writer.SwitchToReading();
		for (Serializer* reader : {&writer, &reloaded})
		{
			auto read = std::make_tuple(true, 0, 0u, 0.0f, std::string("x"), std::string("x"), Tuple2i(), Tuple2f(), Tuple3f(),
				Tuple4f(), Tuple4i());
			std::apply([&](auto&... value) { (reader->Read(value), ...); }, read);
			EXPECT_EQ(read, written);
			EXPECT_FALSE(reader->HasMore());
		}
	}

	// TinyXML condenses spaces and drops blank text when it parses; strings must still come
	// back exactly as the game wrote them.
	TEST_F(SerializerFormat, StringsSurviveSaveAndLoadExactly)
	{
		// A CDATA section cannot hold "]]>": such strings are split over several sections.
		const std::vector<std::string> strings = {" padded ", "ends in one space ", "two  spaces", "   ", "\t", "line\nbreak",
			"&#x41; is not A", "<tag> & \"quotes\"", "caf\xC3\xA9", "", "  a  ]]> b ", "]]>]]]>>  ]]", "x]]>"};
		Serializer writer;
		for (const std::string& written : strings)
			writer.Write("s", written).Write(written.c_str(), 1);
		Serializer reader;
		ASSERT_TRUE(LoadText(reader, SerializedText(writer), "strings.xml"));
		EXPECT_EQ(SerializedText(reader), SerializedText(writer));
		for (const std::string& written : strings)
		{
			std::string read = "unset";
			int marker = 0;
			reader.Read(read).Read(marker);
			EXPECT_EQ(read, written);
			EXPECT_EQ(marker, 1) << "values after \"" << written << "\" must stay in place";
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
		const std::string text = SerializedText(writer);
		Serializer reader;
		const bool loaded = LoadText(reader, "<Unknown><float>2.25</float></Unknown>", "locale.xml");
		const float value = ReadNext<float>(reader);
		std::locale::global(previous);
		EXPECT_THAT(text, HasSubstr(">1234.5</float>\n\t<int name=\"i\">1234567<"));
		EXPECT_TRUE(loaded);
		EXPECT_EQ(value, 2.25f);
	}

	TEST_F(SerializerFiles, LoadSaveLoadSaveIsStableAndCanonicalFilesSaveByteForByte)
	{
		// Archetype contents stay behind their "file" reference, so a canonical file saves as it
		// was; a hand-edited one is normalised.
		for (const auto& [name, canonical] : {std::pair{"Levels/Canonical.xml", true}, std::pair{"Levels/HandEdited.xml", false},
				 std::pair{"Groups/House.xml", true}, std::pair{"Objects/Barrel.xml", true}})
		{
			SCOPED_TRACE(name);
			Serializer first;
			ASSERT_TRUE(first.LoadFile(name));
			ASSERT_TRUE(first.SaveFile(folder.Path() + "first.xml"));
			EXPECT_EQ(folder.ReadFile("first.xml") == test::ReadText(kDataDir + name), canonical);
			Serializer second;
			ASSERT_TRUE(second.LoadFile(folder.Path() + "first.xml"));
			ASSERT_TRUE(second.SaveFile(folder.Path() + "second.xml"));
			EXPECT_EQ(folder.ReadFile("second.xml"), folder.ReadFile("first.xml"));
			Serializer::ClearFileCache();
		}
	}

	// The first value of every object of the group the reader stands in and of each object's
	// components, marked "*" where level loading's depth rule counts it as inherited.
	std::vector<std::string> WalkGroup(Serializer& level, int baseDepth)
	{
		std::vector<std::string> names;
		const auto enter = [&](int base, const std::string& indent)
		{
			const int before = static_cast<int>(level.GetDepth());
			level.EnterNode("", "");
			const int now = static_cast<int>(level.GetDepth());
			const std::string name = level.ReadString();
			names.push_back(indent + name + ((now > before ? before : now - 1) > base ? "*" : ""));
			return name;
		};
		while (level.HasMore())
		{
			if (enter(baseDepth, "") != "Origin")
				while (level.HasMore())
				{
					enter(baseDepth + 1, "  ");
					level.LeaveNode();
				}
			level.LeaveNode();
		}
		return names;
	}

	TEST_F(SerializerReading, ArchetypeContentsComeFirstAndCountAsInherited)
	{
		Serializer level;
		ASSERT_TRUE(level.LoadFile("Levels/Canonical.xml"));
		EXPECT_EQ(level.ReadString(), "Level2");
		EXPECT_EQ(level.ReadString(), "MainMenu");

		level.EnterNode("", "");
		EXPECT_EQ(level.PeekValue(), nullptr);
		EXPECT_EQ(WalkGroup(level, 1), (std::vector<std::string>{"Crate", "  Transform", "  Model", "Barrel", "  Transform*",
											"  Health*", "  Health", "Origin"}));
		level.LeaveNode();

		level.EnterNode("", "");
		EXPECT_STREQ(level.PeekValue(), "Groups/House.xml");
		EXPECT_EQ(WalkGroup(level, 1),
			(std::vector<std::string>{"Wall*", "Barrel*", "  Transform*", "  Health*", "Origin*", "Chimney", "Origin"}));
		level.LeaveNode();
		EXPECT_EQ(level.GetDepth(), 0u);

	}

	TEST_F(SerializerFiles, SelfIncludingArchetypesLoadWithoutRecursion)
	{
		for (const auto& [file, chain] : {std::pair{"Objects/Self.xml", "Objects/Self.xml -> Objects/Self.xml"},
				 std::pair{"Objects/PingA.xml", "Objects/PingA.xml -> Objects/PingB.xml -> Objects/PingA.xml"}})
		{
			SCOPED_TRACE(file);
			Serializer::ClearFileCache();
			Serializer archetype;
			bool loaded = false;
			EXPECT_THAT(StderrOf([&] { loaded = archetype.LoadFile(file); }), HasSubstr(chain));
			EXPECT_TRUE(loaded);
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

	TEST_F(SerializerFiles, MalformedTruncatedOrMissingFilesAreErrorsNamingTheFile)
	{
		const std::string canonical = test::ReadText(kDataDir + "Levels/Canonical.xml");
		struct Case { std::string name, text, problem; };
		const Case cases[] = {
			{"truncated.xml", canonical.substr(0, canonical.size() / 2), "is not well-formed"},
			{"mismatched.xml", "<Unknown><string>1</Unknown>", "is not well-formed"},
			{"empty.xml", "", "is not well-formed"},
			{"no-element.xml", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n", "holds no XML element"},
			{"binary.mdl", std::string("\x12\x41\x21\x53<Unknown />", 15), "is a binary file"},
		};
		for (const Case& test : cases)
		{
			SCOPED_TRACE(test.name);
			Serializer reader;
			const std::string diagnostics = StderrOf([&] { EXPECT_FALSE(LoadText(reader, test.text, test.name)); });
			EXPECT_THAT(diagnostics, HasSubstr("'" + test.name + "': " + test.problem));
			EXPECT_FALSE(reader.HasMore());
			Serializer retry;
			EXPECT_TRUE(LoadText(retry, "<Unknown><int>3</int></Unknown>", test.name)) << "a failed load must not be cached";
		}

		// Only regular files are read: a folder, like a name such as "/dev/zero", is refused unread.
		folder.WriteFile("broken.xml", canonical.substr(0, 100));
		for (const auto& [path, problem] : {std::pair{folder.Path() + "broken.xml", "is not well-formed"},
				 std::pair{std::string("Levels/Nowhere.xml"), "not a readable file"}, std::pair{folder.Path(), "not a readable file"}})
		{
			Serializer reader;
			const std::string diagnostics = StderrOf([&] { EXPECT_FALSE(reader.LoadFile(path)); });
			EXPECT_THAT(diagnostics, HasSubstr(path));
			EXPECT_THAT(diagnostics, HasSubstr(problem));
		}
	}

	TEST_F(SerializerReading, ReadingPastTheEndKeepsTheDefaultAndSaysWhere)
	{
		Serializer reader;
		ASSERT_TRUE(LoadText(reader, "<Unknown><Object><float name=\"a\">1</float></Object><int>4</int></Unknown>", "short.xml"));
		float a = 0, b = 9;
		int after = 0, notAValue = 5;
		const std::string diagnostics = StderrOf([&]
		{
			reader.EnterNode("", "");
			reader.Read(a).Read(b);
			// An element that is not there reads as empty, and its LeaveNode keeps the walk aligned.
			reader.EnterNode("", "");
			EXPECT_FALSE(reader.HasMore());
			reader.Read(b);
			reader.LeaveNode();
			reader.LeaveNode();
			reader.Read(after);
			// A value where an element was expected, and an element where a value was.
			reader.Rewind();
			reader.Read(notAValue);
			reader.EnterNode("", "");
			reader.LeaveNode();
			reader.EnterNode("", "");
			reader.LeaveNode();
			reader.LeaveNode();
		});
		EXPECT_EQ(a, 1.0f);
		EXPECT_EQ(b, 9.0f);
		EXPECT_EQ(after, 4);
		EXPECT_EQ(notAValue, 5);
		for (const char* problem : {"'short.xml'", "value 2 of 'Object' (float) is missing",
				 "no element where element 2 of 'Object' was expected", "value 1 of 'Unknown' (int) is an element",
				 "value 2 of 'Unknown' stands where an element was expected", "never entered"})
			EXPECT_THAT(diagnostics, HasSubstr(problem));
	}

	TEST_F(SerializerReading, UnreadableValuesKeepTheDefault)
	{
		Serializer reader;
		ASSERT_TRUE(LoadText(reader,
							 "<Unknown><int name=\"count\">abc</int><bool name=\"flag\">1</bool><float name=\"speed\">fast</float>"
							 "<Tuple3f name=\"pos\">1 2</Tuple3f><unsigned name=\"huge\">99999999999</unsigned>"
							 "<int name=\"partial\">4.5</int></Unknown>",
							 "bad-values.xml"));
		auto read = std::make_tuple(-1, true, 3.0f, Tuple3f(7, 8, 9), 5u, -1);
		const std::string diagnostics = StderrOf([&] { std::apply([&](auto&... value) { (reader.Read(value), ...); }, read); });
		// A half-read tuple must not leak into the destination; like a stream extraction, text
		// after a number is ignored, but said.
		EXPECT_EQ(read, std::make_tuple(-1, true, 3.0f, Tuple3f(7, 8, 9), 5u, 4));
		for (const char* name : {"'count'", "'flag'", "'speed'", "'pos'", "'huge'", "'partial'", "'bad-values.xml'"})
			EXPECT_THAT(diagnostics, HasSubstr(name));
	}

	// Every object made from a cached archetype reads its values again: one line per value.
	TEST_F(SerializerReading, AValueWithTextAfterItKeepsWhatWasReadAndIsReportedOnce)
	{
		const std::string document = "<Unknown><float name=\"grace\">0.5</float><int name=\"count\">12abc</int>"
			"<Tuple3f name=\"pos\">1 2 3 4</Tuple3f><float name=\"speed\"> 2.5 </float><bool name=\"flag\">true</bool>"
			"<unsigned name=\"whole\">500</unsigned></Unknown>";
		auto read = std::make_tuple(7u, 0, Tuple3f(), 0.0f, false, 0u);
		std::string firstDiagnostics;
		for (int reader = 0; reader < 2; ++reader)
		{
			Serializer serializer;
			ASSERT_TRUE(LoadText(serializer, document, "trailing.xml"));
			const std::string diagnostics = StderrOf([&] { std::apply([&](auto&... value) { (serializer.Read(value), ...); }, read); });
			EXPECT_EQ(read, std::make_tuple(0u, 12, Tuple3f(1, 2, 3), 2.5f, true, 500u));
			if (reader == 0)
				firstDiagnostics = diagnostics;
			else
				EXPECT_EQ(diagnostics, "") << "the second reader of the cached file";
		}
		for (const char* reported : {"'trailing.xml'", "value 1 'grace' of 'Unknown' reads \"0.5\"", "'count'", "'pos'"})
			EXPECT_THAT(firstDiagnostics, HasSubstr(reported));
		for (const char* whole : {"'speed'", "'flag'", "'whole'"})
			EXPECT_THAT(firstDiagnostics, Not(HasSubstr(whole)));
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
		EXPECT_EQ(ReadNext<int>(first), 2);
		EXPECT_EQ(ReadNext<float>(second), 2.5f);
		EXPECT_EQ(ReadNext<std::string>(third), "2.5");
		EXPECT_THAT(StderrOf([&] { third.Write("extra", 1); }), HasSubstr("'extra' written while reading"));
	}

	TEST_F(SerializerFiles, CacheHoldsAFileUntilClearedOrSavedOver)
	{
		const std::string path = folder.Path() + "cached.xml";
		const auto valueIn = [&path]
		{
			Serializer reader;
			EXPECT_TRUE(reader.LoadFile(path));
			return ReadNext(reader, -1);
		};
		folder.WriteFile("cached.xml", "<Unknown><int>1</int></Unknown>");
		EXPECT_EQ(valueIn(), 1);
		folder.WriteFile("cached.xml", "<Unknown><int>2</int></Unknown>");
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
		const std::string target = folder.Path() + "level.xml";
		folder.WriteFile("level.xml", "old level");
		Serializer writer;
		writer.Write("v", 1);
		const std::string diagnostics = StderrOf([&]
		{
			// The disk fails to take the new file.
			const OpenedFolder::DiskCalls system = OpenedFolder::diskCalls;
			OpenedFolder::diskCalls.flush = [](int) { errno = EIO; return -1; };
			EXPECT_FALSE(writer.SaveFile(target));
			OpenedFolder::diskCalls = system;
			EXPECT_FALSE(writer.SaveFile(folder.Path() + "missing/level.xml"));
		});
		EXPECT_EQ(folder.ReadFile("level.xml"), "old level");
		EXPECT_THAT(diagnostics, HasSubstr(target));
		EXPECT_FALSE(fs::exists(folder.Path() + "missing"));
	}

	TEST_F(SerializerFiles, SaveWhoseLastWriteFailsReportsAndLeavesTheOldFile)
	{
		const std::string target = folder.Path() + "level.xml";
		folder.WriteFile("level.xml", "old level");
		Serializer writer;
		for (int value = 0; value < 2000; ++value)
			writer.Write("v", value);
		const std::string diagnostics = StderrOf([&]
		{
			// The document is far larger than the limit: its last writes fail, as on a full disk.
			const FileSizeLimit limit(4096);
			EXPECT_FALSE(writer.SaveFile(target));
		});
		EXPECT_EQ(folder.ReadFile("level.xml"), "old level");
		EXPECT_THAT(diagnostics, HasSubstr(target));
		EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1) << "a temporary file was left";
	}

	// TinyXML's parser and the loader recurse once per level: past the limit a file is refused
	// before either sees it, whatever the nesting hides in.
	TEST_F(SerializerFiles, FilesNestedTooDeeplyAreRefusedNamingTheFile)
	{
		const auto nested = [](std::size_t depth, const std::string& inside)
		{
			std::string text;
			for (std::size_t level = 0; level < depth; ++level)
				text += "<Unknown>";
			text += inside;
			for (std::size_t level = 0; level < depth; ++level)
				text += "</Unknown>";
			return text;
		};
		const std::string hidden = "<!-- <a><a><a> --><![CDATA[<a><a>]]><a x=\"a>b\" y='\"' />";
		const struct { std::size_t depth; std::string inside; bool loads; } cases[] = {{tw::kMaxXmlNesting - 1, "<int>1</int>", true},
			{tw::kMaxXmlNesting, std::string(300, 'x') + hidden, true}, {tw::kMaxXmlNesting + 1, "", false}, {20'000, "", false},
			{1'000'000, "", false}};
		for (const auto& [depth, inside, loads] : cases)
		{
			Serializer::ClearFileCache();
			Serializer reader;
			const std::string diagnostics = StderrOf([&] { EXPECT_EQ(LoadText(reader, nested(depth, inside), "deep.xml"), loads) << depth; });
			EXPECT_EQ(diagnostics.find("'deep.xml': nests its elements more than 256 deep") != std::string::npos, !loads) << depth;
		}
	}

	TEST_F(SerializerReading, ValuesWhereLoopsExpectElementsAreSkippedOnceEach)
	{
		Serializer reader;
		ASSERT_TRUE(LoadText(reader,
			"<Unknown><string name=\"stray\">a</string><Object><int>1</int></Object><int>2</int><int>3</int>"
			"<Object><int>4</int></Object><string name=\"last\">b</string></Unknown>", "stray.xml"));
		std::vector<int> entered;
		const std::string diagnostics = StderrOf([&]
		{
			for (int guard = 0; reader.NextElement() && guard < 10; ++guard)
			{
				reader.EnterNode("", "");
				entered.push_back(ReadNext(reader, -1));
				reader.LeaveNode();
			}
			// Entering a value steps past it too: the element expected reads as empty.
			reader.Rewind();
			reader.EnterNode("", "");
			EXPECT_FALSE(reader.HasMore());
			reader.LeaveNode();
			reader.EnterNode("", "");
			EXPECT_EQ(ReadNext(reader, -1), 1);
		});
		EXPECT_EQ(entered, (std::vector<int>{1, 4}));
		const std::string skipped = "stands where an element was expected";
		std::size_t count = 0;
		for (std::size_t at = diagnostics.find(skipped); at != std::string::npos; at = diagnostics.find(skipped, at + 1))
			++count;
		EXPECT_EQ(count, 5u) << diagnostics;
		for (const char* named : {"'stray.xml': value 1 'stray' of 'Unknown'", "value 3 of 'Unknown'", "value 6 'last' of 'Unknown'"})
			EXPECT_THAT(diagnostics, HasSubstr(named));
	}
}
