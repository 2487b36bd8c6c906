#include "HTMLEngine/PageFiles.h"
#include "TempFolder.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace
{
	using PageFiles::Kind;

	// Reads reference for page.html in the page folder; what was printed goes to printed.
	bool Read(const test::TempFolder& page, const std::string& reference, std::string& printed, std::string& contents)
	{
		tw::Diagnostics::Flush();
		::testing::internal::CaptureStderr();
		const bool read = PageFiles::Read(page.Path() + "page.html", page.Path(), reference,
			page.Path() + "page.html", Kind::Script, contents);
		tw::Diagnostics::Flush();
		printed = ::testing::internal::GetCapturedStderr();
		return read;
	}

	// A page's folder with "sub/inside.js" and another folder with "secret.js".
	struct PageAndOutside
	{
		PageAndOutside()
		{
			outside.WriteFile("secret.js", "outside");
			page.WriteFile("sub/inside.js", "inside");
		}
		test::TempFolder outside;
		test::TempFolder page;
	};

	TEST(PageFiles, OnlyReferencesInsideThePagesRootOrTheSearchPathsAreRead)
	{
		const PageAndOutside folders;
		const test::TempFolder& outside = folders.outside;
		const test::TempFolder& page = folders.page;
		std::filesystem::create_symlink(outside.Path() + "secret.js", page.Path() + "link.js");
		const std::string escape = "../" + std::filesystem::path(outside.Path()).parent_path().filename().string() + "/secret.js";
		const struct
		{
			std::string reference;
			bool read;
		} cases[] = {
			{"sub/inside.js", true},
			{"file://" + page.Path() + "sub/inside.js", true},
			{"sub/../sub/inside.js", true},
			{outside.Path() + "secret.js", false},
			{"file:" + outside.Path() + "secret.js", false},
			{escape, false},
			{"link.js", false},
		};
		for (const auto& c : cases)
		{
			std::string printed, contents;
			EXPECT_EQ(Read(page, c.reference, printed, contents), c.read) << c.reference;
			EXPECT_EQ(contents, c.read ? "inside" : "") << c.reference;
			EXPECT_EQ(printed.find("lies outside the game's folders") != std::string::npos, !c.read) << c.reference << ": " << printed;
		}
		// With search paths set, they are the game's folders, whatever the page's folder.
		SearchPathList& paths = GetSearchPaths();
		const std::size_t before = paths.Entries().size();
		paths.Add(outside.Path());
		std::string printed, contents;
		EXPECT_TRUE(Read(page, outside.Path() + "secret.js", printed, contents));
		EXPECT_FALSE(Read(page, "sub/inside.js", printed, contents));
		paths.Erase(paths.Entries().begin() + static_cast<long>(before), paths.Entries().end());
	}

	// A link swapped between a file inside and one outside while pages read through it: whatever
	// is read is the file that was checked.
	TEST(PageFiles, WhatIsReadIsTheFileThatWasChecked)
	{
		const PageAndOutside folders;
		const test::TempFolder& outside = folders.outside;
		const test::TempFolder& page = folders.page;
		std::filesystem::create_symlink(page.Path() + "sub/inside.js", page.Path() + "link.js");
		std::atomic<bool> reading{true};
		std::thread swapper([&] {
			for (int swap = 0; reading; ++swap)
			{
				std::error_code ignored;
				std::filesystem::create_symlink(swap % 2 == 0 ? outside.Path() + "secret.js" : page.Path() + "sub/inside.js",
					page.Path() + "swapped.js", ignored);
				std::filesystem::rename(page.Path() + "swapped.js", page.Path() + "link.js", ignored);
			}
		});
		::testing::internal::CaptureStderr();
		int inside = 0;
		int outsideRead = 0;
		for (int read = 0; read < 3000; ++read)
		{
			std::string contents;
			PageFiles::Read(page.Path() + "page.html", page.Path(), "link.js", page.Path(), Kind::Script, contents);
			inside += contents == "inside" ? 1 : 0;
			outsideRead += contents == "outside" ? 1 : 0;
		}
		reading = false;
		swapper.join();
		tw::Diagnostics::Flush();
		::testing::internal::GetCapturedStderr();
		EXPECT_EQ(outsideRead, 0);
		EXPECT_GT(inside, 0);
	}
}
