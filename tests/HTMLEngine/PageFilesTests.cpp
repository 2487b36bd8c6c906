#include "HTMLEngine/PageFiles.h"
#include "TempFolder.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

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

	TEST(PageFiles, OnlyReferencesInsideThePagesRootOrTheSearchPathsAreRead)
	{
		test::TempFolder outside;
		test::TempFolder page;
		outside.WriteFile("secret.js", "outside");
		page.WriteFile("sub/inside.js", "inside");
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
}
