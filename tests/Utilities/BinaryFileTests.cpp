#include "Utilities/BinaryFile.h"

#include "HostileFiles.h"
#include "Utilities/SearchPaths.h"

namespace
{
	// The raw name is where the search paths fall back to, so "/dev/zero" is refused there too.
	TEST(BinaryFile, RefusesEveryNameThatLeadsToNoBoundedRegularFile)
	{
		const test::TempFolder folder;
		test::ExpectEachRefusedWithOneDiagnostic(folder, [](const std::string& path) {
			std::vector<std::uint8_t> bytes{1};
			std::string problem;
			EXPECT_FALSE(ReadDataFile(path, bytes, problem) || !bytes.empty());
			return path + ": " + problem + "\n";
		});
		std::string text = "stale", problem;
		EXPECT_FALSE(ReadDataFile(folder.Path() + "absent", text, problem));
		EXPECT_EQ(problem, "not found");
		EXPECT_EQ(text, "");

		folder.WriteFile("Models/zeros.bin", std::string("a\0\0b", 4));
		ASSERT_TRUE(GetSearchPaths().Add(folder.Path() + "Models/"));
		EXPECT_TRUE(ReadDataFile("zeros.bin", text, problem)) << problem;
		EXPECT_EQ(text, std::string("a\0\0b", 4)) << "the whole file, zero bytes included";
		EXPECT_EQ(problem, "");
		const SearchPathList::Paths& paths = GetSearchPaths().Entries();
		GetSearchPaths().Erase(paths.end() - 1, paths.end());
	}

	// Both sides of the size limit, and a name that goes on through a file, which names nothing.
	TEST(BinaryFile, AFileOfTheLimitIsReadOneByteMoreIsNotAndAPathThroughAFileIsNotFound)
	{
		const test::TempFolder folder;
		folder.WriteFile("Crate.xml", "<Crate/>");
		const struct
		{
			const char* name;
			std::uintmax_t limit;
			const char* contents;
			const char* problem;
		} cases[] = {
			{"Crate.xml", 8, "<Crate/>", ""},
			{"Crate.xml", 7, "", "is 8 bytes, more than the 7 a data file may hold"},
			{"Crate.xml/x", 8, "", "not found"},
		};
		for (const auto& entry : cases)
		{
			SCOPED_TRACE(std::string(entry.name) + " of at most " + std::to_string(entry.limit));
			std::string text = "stale", problem;
			EXPECT_EQ(ReadFileAt(folder.Path() + entry.name, text, problem, entry.limit), *entry.problem == '\0');
			EXPECT_EQ(text, entry.contents);
			EXPECT_EQ(problem, entry.problem);
		}
	}
}
