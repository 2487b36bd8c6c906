#include "tools/FileLocalNames.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace
{
	std::vector<std::string> NamesAndLines(const std::string& source)
	{
		std::vector<std::string> found;
		for (const file_local_names::Name& name : file_local_names::ScanSource(source).fileLocal)
			found.push_back(name.name + "@" + std::to_string(name.line));
		return found;
	}

	struct FileLocalCase
	{
		const char* what;
		const char* source;
		std::vector<std::string> names;
	};
}

TEST(FileLocalNames, FindsWhatASourceKeepsToItselfAndNothingElse)
{
	const FileLocalCase cases[] = {
		{"anonymous namespace", "namespace\n{\n\tvoid Helper();\n\tstruct Box {};\n\tconstexpr int kCount = 3;\n\tusing Id = int;\n}",
			{"Helper@3", "Box@4", "kCount@5", "Id@6"}},
		{"static function and variable, not a function's own static",
			"static int Twice(int x) { static int calls = 0; return x; }\nstatic float gScale = 1;", {"Twice@1", "gScale@2"}},
		{"raw string holding a namespace", "const char* kText = R\"x(\"\nnamespace { void Fake(); }\n)x\";\nnamespace { void After(); }",
			{"After@4"}},
		{"comments and a brace in a char", "// namespace { void A(); }\n/* static void B(); */ char c = '{';\nnamespace { void C(); }",
			{"C@3"}},
		{"nested anonymous namespace", "namespace tw { namespace a::b { } namespace { int Counter(); } }", {"tw::Counter@1"}},
		{"named namespace's overloads and class members", "namespace tw { void Load(int); void Load(float) {} }\n"
			"namespace { class Member { static void Helper(); enum { kInner }; }; }", {"Member@2"}},
		{"constants by their own constness", "const int kLimit = 3;\nconst char* kName = \"x\";\nextern const int kShared;\n"
			"inline constexpr int kOne = 1;", {"kLimit@1"}},
		{"a test macro's use", "namespace { TEST(Suite, Name) { int x; } }", {}},
		{"digit separators", "namespace { constexpr int kBig = 1'000;\nvoid After(); }", {"kBig@1", "After@2"}},
		{"unscoped enum's enumerators", "namespace { enum Mode { kOff, kOn = 2 }; enum class Side { kLeft }; }",
			{"Mode@1", "kOff@1", "kOn@1", "Side@1"}},
		{"macros left defined", "#define KEEP 1\n#define GONE(x) \\\n  x\n#undef GONE", {"#define KEEP@1"}},
		{"constructor initializers then the next declaration", "A::A() : b{1}, c(2) {}\nstatic void Next();", {"Next@2"}},
	};
	for (const FileLocalCase& test : cases)
		EXPECT_THAT(NamesAndLines(test.source), ElementsAreArray(test.names)) << test.what;
}

TEST(FileLocalNames, AClashNamesBothPlacesAndTheName)
{
	using file_local_names::ScanSource;
	const std::vector<file_local_names::Source> sources = {
		{"tests/A.cpp", ScanSource("namespace {\nAABB BoxAt(float x);\n}")},
		{"tests/B.cpp", ScanSource("namespace {\n\nAABB BoxAt(int x);\nAABB BoxAt(float x);\nusing Ambience = Fixture;\n}")},
		{"tests/C.cpp", ScanSource("namespace tw { AABB BoxAt(float x); }\nusing namespace test;\nstatic int SavedText();")},
		{"tests/D.cpp", ScanSource("class Ambience { };\nnamespace render { using Texture = Fixture; }")},
	};
	const std::vector<file_local_names::Source> headers = {
		{"inc/Ambience.h", ScanSource("\nclass Ambience;\nclass Texture;")},
		{"tests/World.h", ScanSource("namespace test { std::string SavedText(); }")},
	};
	EXPECT_THAT(file_local_names::FindClashes("Target", sources, headers),
		ElementsAre("tests/B.cpp:3: error: 'BoxAt' is file-local here and in tests/A.cpp:2; both are sources of Target, "
					"whose batches may compile them together: rename one",
			"tests/D.cpp:1: error: 'Ambience' is file-local here and in tests/B.cpp:5; both are sources of Target, "
			"whose batches may compile them together: rename one",
			"tests/B.cpp:5: error: 'Ambience' is file-local here and also declared by inc/Ambience.h:2; sources of Target "
			"batched after this one would find both: rename it",
			"tests/C.cpp:3: error: 'SavedText' is file-local here and also declared by tests/World.h:1; sources of Target "
			"batched after this one would find both: rename it",
			"tests/D.cpp:2: error: 'render::Texture' is file-local here and also declared by inc/Ambience.h:3; sources of Target "
			"batched after this one would find both: rename it"));
}
