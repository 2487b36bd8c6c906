#include "HTMLEngine/PageFiles.h"

#include "Platform/OpenedFile.h"
#include "Utilities/BinaryFile.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

namespace
{
	std::string WithoutScheme(const std::string& reference)
	{
		for (const char* scheme : {"file://", "file:"})
			if (reference.rfind(scheme, 0) == 0)
				return reference.substr(std::char_traits<char>::length(scheme));
		return reference;
	}

	const char* KindName(PageFiles::Kind kind)
	{
		switch (kind)
		{
		case PageFiles::Kind::Page:
			return "page";
		case PageFiles::Kind::Script:
			return "script";
		case PageFiles::Kind::Stylesheet:
			return "style sheet";
		case PageFiles::Kind::Image:
			return "image";
		}
		return "file";
	}
}

namespace PageFiles
{
	std::uintmax_t SizeLimit(Kind kind)
	{
		constexpr std::uintmax_t kMegabyte = 1 << 20;
		switch (kind)
		{
		case Kind::Page:
			return 8 * kMegabyte;
		case Kind::Script:
			return 4 * kMegabyte;
		case Kind::Stylesheet:
			return kMegabyte;
		case Kind::Image:
			return 16 * kMegabyte;
		}
		return kMegabyte;
	}

	std::string Resolve(const std::string& reference, const std::string& base)
	{
		const std::string local = WithoutScheme(reference);
		if (local.empty() || local.front() == '/')
			return local;
		const std::string baseLocal = WithoutScheme(base);
		return baseLocal.substr(0, baseLocal.find_last_of('/') + 1) + local;
	}

	bool Confined(const std::string& path, const std::string& root)
	{
		const SearchPathList& folders = GetSearchPaths();
		return folders.Entries().empty() ? IsInsideFolder(path, root.empty() ? "." : root) : folders.Holds(path);
	}

	bool Read(const std::string& page, const std::string& root, const std::string& reference, const std::string& base,
		Kind kind, std::string& contents)
	{
		contents.clear();
		const std::string path = Resolve(reference, base);
		std::string problem;
		// Opened once, and the opened file is what is checked and read: a link swapped after a
		// check of the name would lead the read elsewhere.
		const OpenedFile file(path);
		if (!Confined(file.IsOpen() ? file.RealPath() : path, root))
			problem = "lies outside the game's folders";
		else if (ReadOpenedFile(file, contents, problem, SizeLimit(kind)))
			return true;
		tw::Diagnostics::Report("HTMLView: page \"" + page + "\": the " + KindName(kind) + " \"" + reference + "\" (" + path +
			") is refused: " + problem);
		return false;
	}
}
