#include "Platform/FolderListing.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
	using FolderNames = std::vector<std::string>;

	class ListFolderFiles : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			for (const char* file : {"Data/Levels/b", "Data/Levels/a", "Data/Levels/Physics/c"})
				base.WriteFile(file, "<Level/>");
			std::filesystem::create_directories(base.Path() + "Data/Levels/Empty");
		}

		test::TempFolder base;
	};

	TEST_F(ListFolderFiles, RegularFilesOnlySortedAndAppendedWithTheFolderUnchangedOrBare)
	{
		FolderNames files{"kept"};
		Platform::ListFolderFiles("Data/Levels/", files, true, base.Path());
		EXPECT_EQ(files, (FolderNames{"kept", "Data/Levels/a", "Data/Levels/b"}));
		FolderNames bare;
		Platform::ListFolderFiles(base.Path() + "Data/Levels/Physics/", bare, false);
		EXPECT_EQ(bare, FolderNames{"c"});
	}

	TEST_F(ListFolderFiles, MissingEmptyAndPlainFileFoldersAddNothing)
	{
		for (const char* folder : {"Data/Missing/", "Data/Levels/Empty/", "Data/Levels/a/"})
		{
			FolderNames files;
			Platform::ListFolderFiles(folder, files, true, base.Path());
			EXPECT_TRUE(files.empty()) << folder;
		}
	}

	TEST_F(ListFolderFiles, ARelativeFolderIsFoundUnderTheBaseFolderNotTheCurrentOne)
	{
		const std::filesystem::path current = std::filesystem::current_path();
		std::filesystem::current_path(base.Path() + "Data/Levels/");
		FolderNames files;
		Platform::ListFolderFiles("Physics/", files, true, base.Path());
		std::filesystem::current_path(current);
		EXPECT_TRUE(files.empty());
	}
}
