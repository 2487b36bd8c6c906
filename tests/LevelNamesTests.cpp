#include "LevelNames.h"

#include "Platform/OpenedFile.h"

#include "ScopedSearchPath.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
	namespace fs = std::filesystem;

	// What is read is what was checked: another program may swap a link between the level file's
	// opening and its check, and neither the check nor what is read may follow it.
	TEST(LevelNames, ALinkSwappedAfterTheOpenChangesNeitherTheCheckNorWhatIsRead)
	{
		const test::TempFolder game;
		const test::TempFolder outside;
		game.WriteFile("Levels/Harbour", "inside");
		outside.WriteFile("Escape", "outside");
		const test::ScopedSearchPath levels(game.Path() + "Levels/");
		const std::string link = game.Path() + "Levels/Ferry";
		const struct
		{
			const char* opened;
			std::string openedThrough;
			std::string swappedTo;
			// Empty when the level is refused.
			std::string read;
		} rows[] = {
			{"outside, swapped to a level", outside.Path() + "Escape", game.Path() + "Levels/Harbour", ""},
			{"a level, swapped to outside", game.Path() + "Levels/Harbour", outside.Path() + "Escape", "inside"},
		};
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.opened);
			fs::remove(link);
			fs::create_symlink(row.openedThrough, link);
			LevelNames::SetOpenedHook([&] {
				fs::remove(link);
				fs::create_symlink(row.swappedTo, link);
			});
			::testing::internal::CaptureStderr();
			const std::unique_ptr<OpenedFile> file = LevelNames::Open("Ferry");
			const std::string told = ::testing::internal::GetCapturedStderr();
			LevelNames::SetOpenedHook(nullptr);

			std::string read(16, '\0');
			read.resize(file ? static_cast<std::size_t>(std::max(0LL, file->ReadAt(read.data(), read.size(), 0))) : 0);
			EXPECT_EQ(read, row.read);
			EXPECT_EQ(told.find("Level \"Ferry\" is refused: it is the file \"" + link + "\", outside the game's folders") != std::string::npos,
				row.read.empty()) << told;
		}
	}
}
