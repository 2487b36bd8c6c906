#include "Utilities/SearchPaths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace
{
	// A folder also opens for reading on Linux, so only regular files count as found.
	bool IsReadableFile(const std::string& path)
	{
		std::error_code error;
		if (!std::filesystem::is_regular_file(path, error))
			return false;
		std::ifstream probe(path, std::ios::binary);
		return probe.is_open();
	}

	std::string WithForwardSlashes(std::string name)
	{
		std::replace(name.begin(), name.end(), '\\', '/');
		return name;
	}

	// The absolute path with "..", "." and symbolic links resolved, as far as they exist.
	std::filesystem::path Real(const std::string& path)
	{
		std::error_code error;
		std::filesystem::path real = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
		return error ? std::filesystem::path() : real;
	}
}

bool IsInsideFolder(const std::string& path, const std::string& folder)
{
	const std::filesystem::path real = Real(path);
	const std::filesystem::path root = Real(folder);
	if (real.empty() || root.empty())
		return false;
	const auto rootEnd = std::mismatch(root.begin(), root.end(), real.begin(), real.end()).first;
	// A folder written with a trailing "/" ends in an empty element.
	return rootEnd == root.end() || (std::next(rootEnd) == root.end() && rootEnd->empty());
}

bool SearchPathList::Holds(const std::string& path) const
{
	return std::any_of(paths.begin(), paths.end(), [&](const std::string& folder) { return IsInsideFolder(path, folder); });
}

bool SearchPathList::Add(std::string path)
{
	if (path.empty())
		return false;
	if (path.back() != '/')
	{
		if (path.size() == 1)
			return false;
		path += '/';
	}
	if (std::find(paths.begin(), paths.end(), path) == paths.end())
		paths.push_back(path);
	return true;
}

std::string SearchPathList::Find(const std::string& requested) const
{
	const std::string name = WithForwardSlashes(requested);
	if (IsReadableFile(name))
		return name;
	const std::string found = FindInFolders(name);
	return found.empty() ? name : found;
}

std::string SearchPathList::FindInFolders(const std::string& requested) const
{
	const std::string name = WithForwardSlashes(requested);
	for (const std::string& path : paths)
	{
		std::string candidate = path + name;
		if (IsReadableFile(candidate))
			return candidate;
	}
	return "";
}

void SearchPathList::Erase(Paths::const_iterator first, Paths::const_iterator last)
{
	paths.erase(first, last);
}

SearchPathList& GetSearchPaths()
{
	static SearchPathList list;
	return list;
}

bool AddSearchPath(const std::string& path)
{
	return GetSearchPaths().Add(path);
}

std::string FindFile(const std::string& name)
{
	return GetSearchPaths().Find(name);
}
