#include "HTMLEngine/PageFiles.h"

#include "Utilities/BinaryFile.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace
{
	std::string WithoutScheme(const std::string& reference)
	{
		for (const char* scheme : {"file://", "file:"})
			if (reference.rfind(scheme, 0) == 0)
				return reference.substr(std::char_traits<char>::length(scheme));
		return reference;
	}

	// The absolute path with "..", "." and symbolic links resolved, as far as they exist.
	std::filesystem::path Real(const std::string& path)
	{
		std::error_code error;
		std::filesystem::path real = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
		return error ? std::filesystem::path() : real;
	}

	bool Inside(const std::filesystem::path& path, const std::string& folder)
	{
		const std::filesystem::path root = Real(folder);
		if (path.empty() || root.empty())
			return false;
		const auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
		// A trailing "/" leaves an empty last element in the root.
		return rootEnd == root.end() || (std::next(rootEnd) == root.end() && rootEnd->empty());
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
		const std::filesystem::path real = Real(path);
		const std::vector<std::string>& folders = GetSearchPaths().Entries();
		if (folders.empty())
			return Inside(real, root.empty() ? "." : root);
		return std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) { return Inside(real, folder); });
	}

	bool Read(const std::string& page, const std::string& root, const std::string& reference, const std::string& base,
		Kind kind, std::string& contents)
	{
		contents.clear();
		const std::string path = Resolve(reference, base);
		std::string problem;
		if (!Confined(path, root))
			problem = "lies outside the game's folders";
		else if (ReadFileAt(path, contents, problem, SizeLimit(kind)))
			return true;
		tw::Diagnostics::Report("HTMLView: page \"" + page + "\": the " + KindName(kind) + " \"" + reference + "\" (" + path +
			") is refused: " + problem);
		return false;
	}
}
