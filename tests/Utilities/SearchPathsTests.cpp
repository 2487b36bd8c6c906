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
			root = fs::temp_directory_path() / ("tw-search-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
			fs::remove_all(root);
			fs::create_directories(root / "first");
			fs::create_directories(root / "second");
		}
		void TearDown() override { fs::remove_all(root); }

		void Touch(const fs::path& path) { std::ofstream(path) << "x"; }
		std::string Folder(const char* name) const { return (root / name).string() + "/"; }

		fs::path root;
		SearchPathList paths;
	};

	TEST_F(SearchPath, AddNormalisesAndRejects)
	{
		EXPECT_TRUE(paths.Add("Data"));
		EXPECT_TRUE(paths.Add("Data/"));
		EXPECT_FALSE(paths.Add(""));
		EXPECT_FALSE(paths.Add("x"));
		EXPECT_TRUE(paths.Add("/"));
		ASSERT_EQ(paths.Entries().size(), 2u);
		EXPECT_EQ(paths.Entries()[0], "Data/");
		EXPECT_EQ(paths.Entries()[1], "/");
	}

	TEST_F(SearchPath, FirstFolderHoldingTheFileWins)
	{
		Touch(root / "first" / "level.xml");
		Touch(root / "second" / "level.xml");
		paths.Add(Folder("second"));
		paths.Add(Folder("first"));
		EXPECT_EQ(paths.Find("level.xml"), Folder("second") + "level.xml");
	}

	TEST_F(SearchPath, ExistingNameIsReturnedUnchangedAndMissingNameToo)
	{
		Touch(root / "here.txt");
		paths.Add(Folder("first"));
		std::string direct = (root / "here.txt").string();
		EXPECT_EQ(paths.Find(direct), direct);
		EXPECT_EQ(paths.Find("nowhere.txt"), "nowhere.txt");
	}

	TEST_F(SearchPath, FoldersAreNotFilesAndBackslashesAreSeparators)
	{
		fs::create_directories(root / "first" / "Levels");
		Touch(root / "second" / "Levels");
		fs::create_directories(root / "second" / "Objects");
		Touch(root / "second" / "Objects" / "Crate");
		paths.Add(Folder("first"));
		paths.Add(Folder("second"));
		EXPECT_EQ(paths.Find("Levels"), Folder("second") + "Levels");
		EXPECT_EQ(paths.Find("Objects\\Crate"), Folder("second") + "Objects/Crate");
	}

	TEST_F(SearchPath, EraseRemovesARange)
	{
		paths.Add("a/");
		paths.Add("b/");
		paths.Add("c/");
		paths.Erase(paths.Entries().begin(), paths.Entries().begin() + 2);
		ASSERT_EQ(paths.Entries().size(), 1u);
		EXPECT_EQ(paths.Entries()[0], "c/");
	}
}
