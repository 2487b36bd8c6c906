// PageFiles: how a page and what it loads (scripts, style sheets, images) are found and read. A
// reference resolves against the folder of what refers to it ("file:" and "file://" stripped);
// it is read only when it lies inside the game's folders (the search paths: the data folder and
// the user folder; with none set, the folder of the page itself) and is a regular file within the
// size its kind may have. Anything else (an absolute path or ".." leading out, a device, a FIFO,
// a folder, a file too large) is refused with one diagnostic naming the page and the reference.
#pragma once

#include <cstdint>
#include <string>

namespace PageFiles
{
	enum class Kind
	{
		Page,
		Script,
		Stylesheet,
		Image
	};

	// The most bytes a file of the kind may hold.
	std::uintmax_t SizeLimit(Kind kind);

	// reference resolved against base: a folder ending in "/" or a file in it.
	std::string Resolve(const std::string& reference, const std::string& base);

	// True when path lies inside the game's folders, or inside root when no search path is set.
	bool Confined(const std::string& path, const std::string& root);

	// The contents of the file reference names (resolved against base), when it is confined to
	// the page's root and readable as its kind; else false and one diagnostic naming the page.
	bool Read(const std::string& page, const std::string& root, const std::string& reference, const std::string& base,
		Kind kind, std::string& contents);
}
