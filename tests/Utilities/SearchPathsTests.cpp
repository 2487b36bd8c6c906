#include "Utilities/SearchPaths.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
	namespace fs = std::filesystem;

	TEST(SearchPaths, AddNormalisesRejectsAndErases)
	{
		SearchPathList paths;
		for (const char* path : {"Data", "Data/", "/", "c/"})
			EXPECT_TRUE(paths.Add(path)) << path;
		EXPECT_FALSE(paths.Add(""));
		EXPECT_FALSE(paths.Add("x"));
		EXPECT_EQ(paths.Entries(), (SearchPathList::Paths{"Data/", "/", "c/"}));
		paths.Erase(paths.Entries().begin(), paths.Entries().begin() + 2);
		EXPECT_EQ(paths.Entries(), (SearchPathList::Paths{"c/"}));
	}

	TEST(SearchPaths, FirstFolderHoldingTheFileWinsAndFoldersAreNotFiles)
	{
		const test::TempFolder scratch;
		const fs::path root = scratch.Path();
		fs::create_directories(root / "first" / "Levels");
		fs::create_directories(root / "second" / "Objects");
		for (const char* file : {"first/level.xml", "second/level.xml", "second/Levels", "second/Objects/Crate", "here.txt"})
			std::ofstream(root / file) << "x";
		const auto folder = [&](const char* name) { return (root / name).string() + "/"; };
		SearchPathList paths;
		paths.Add(folder("first"));
		paths.Add(folder("second"));
		EXPECT_EQ(paths.Find("level.xml"), folder("first") + "level.xml");
		EXPECT_EQ(paths.Find("Levels"), folder("second") + "Levels") << "a folder is not a file";
		EXPECT_EQ(paths.Find("Objects\\Crate"), folder("second") + "Objects/Crate") << "backslashes are separators";
		const std::string direct = (root / "here.txt").string();
		EXPECT_EQ(paths.Find(direct), direct) << "an existing name comes back unchanged";
		EXPECT_EQ(paths.Find("nowhere.txt"), "nowhere.txt") << "and so does a missing one";
		EXPECT_EQ(paths.FindInFolders("level.xml"), folder("first") + "level.xml");
		for (const std::string& elsewhere : {direct, std::string("nowhere.txt")})
			EXPECT_EQ(paths.FindInFolders(elsewhere), "") << "the folders alone are searched: " << elsewhere;
	}
}
