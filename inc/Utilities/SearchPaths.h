// The process-wide list of folders through which every data file name is resolved.
// The engine fills it at start-up; the first folder that holds a file wins.
#pragma once

#include <string>
#include <vector>

class SearchPathList
{
public:
	using Paths = std::vector<std::string>;

	// Appends a folder ("/" added when missing); false for "" and one-character names.
	bool Add(std::string path);
	// The name itself when it names a readable regular file, else the first folder + name
	// that does, else the name unchanged. "\" in a name is read as "/".
	std::string Find(const std::string& name) const;
	// The first folder + name that names a readable regular file, else "". The name itself is not
	// tried: for files that must come from the folders, whatever the working folder holds.
	std::string FindInFolders(const std::string& name) const;
	void Erase(Paths::const_iterator first, Paths::const_iterator last);
	// True when path, with "..", "." and symbolic links resolved, lies inside one of the folders.
	bool Holds(const std::string& path) const;

	const Paths& Entries() const { return paths; }

private:
	Paths paths;
};

// True when path lies inside folder, both with "..", "." and symbolic links resolved.
bool IsInsideFolder(const std::string& path, const std::string& folder);

SearchPathList& GetSearchPaths();
bool AddSearchPath(const std::string& path);
std::string FindFile(const std::string& name);
