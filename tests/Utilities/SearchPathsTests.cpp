#include "Utilities/SearchPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
	namespace fs = std::filesystem;

	class SearchPath : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			fs::remove_all(root);
			fs::create_directories(root / "first" / "Levels");
			fs::create_directories(root / "second" / "Objects");
			for (const char* file : {"first/level.xml", "second/level.xml", "second/Levels", "second/Objects/Crate", "here.txt"})
				std::ofstream(root / file) << "x";
		}
		void TearDown() override { fs::remove_all(root); }
		std::string Folder(const char* name) const { return (root / name).string() + "/"; }

		const fs::path root = fs::temp_directory_path() / ("tw-search-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
		SearchPathList paths;
	};

	TEST_F(SearchPath, AddNormalisesRejectsAndErases)
	{
		EXPECT_TRUE(paths.Add("Data"));
		EXPECT_TRUE(paths.Add("Data/"));
		EXPECT_FALSE(paths.Add(""));
		EXPECT_FALSE(paths.Add("x"));
		EXPECT_TRUE(paths.Add("/"));
		EXPECT_TRUE(paths.Add("c/"));
		EXPECT_EQ(paths.Entries(), (SearchPathList::Paths{"Data/", "/", "c/"}));
		paths.Erase(paths.Entries().begin(), paths.Entries().begin() + 2);
		EXPECT_EQ(paths.Entries(), (SearchPathList::Paths{"c/"}));
	}

	TEST_F(SearchPath, FirstFolderHoldingTheFileWins)
	{
		paths.Add(Folder("second"));
		paths.Add(Folder("first"));
		EXPECT_EQ(paths.Find("level.xml"), Folder("second") + "level.xml");
		const std::string direct = (root / "here.txt").string();
		EXPECT_EQ(paths.Find(direct), direct) << "an existing name comes back unchanged";
		EXPECT_EQ(paths.Find("nowhere.txt"), "nowhere.txt") << "and so does a missing one";
	}

	TEST_F(SearchPath, FoldersAreNotFilesAndBackslashesAreSeparators)
	{
		paths.Add(Folder("first"));
		paths.Add(Folder("second"));
		EXPECT_EQ(paths.Find("Levels"), Folder("second") + "Levels") << "a folder is not a file";
		EXPECT_EQ(paths.Find("Objects\\Crate"), Folder("second") + "Objects/Crate");
	}
}
