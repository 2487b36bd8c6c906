#include "Platform/Folders.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

TEST(Folders, ApplicationDataFolderFollowsXdgThenHome)
{
	const char* savedXdg = std::getenv("XDG_DATA_HOME");
	std::string saved = savedXdg ? savedXdg : "";
	setenv("XDG_DATA_HOME", "/tmp/tw-xdg", 1);
	EXPECT_EQ(Platform::ApplicationDataFolder().value_or(""), "/tmp/tw-xdg/");
	unsetenv("XDG_DATA_HOME");
	setenv("HOME", std::getenv("HOME") ? std::getenv("HOME") : "/root", 1);
	EXPECT_EQ(Platform::ApplicationDataFolder().value_or(""), std::string(std::getenv("HOME")) + "/.local/share/");
	if (savedXdg)
		setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

TEST(Folders, CreateFolderMakesParentsAndExecutableFolderEndsInSlash)
{
	// A folder of this run's own, so parallel runs do not race for one path.
	const test::TempFolder root;
	EXPECT_TRUE(Platform::CreateFolder(root.Path() + "a/b"));
	EXPECT_TRUE(std::filesystem::is_directory(root.Path() + "a/b"));
	const std::string folder = Platform::ExecutableFolder(nullptr);
	EXPECT_EQ(folder.back(), '/');
	EXPECT_TRUE(std::filesystem::is_directory(folder));
}
