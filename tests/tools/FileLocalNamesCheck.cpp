// Fails when two sources of one batched target keep the same name to themselves, or a source hides
// a name a header declares, naming both places.
//   FileLocalNamesCheck ROOT HEADERS LIST...
// HEADERS lists the project's headers, one a line. Each LIST file (written by the build) holds a
// target's name on its first line, the folder its relative sources are in on the second, then one
// source a line. Places are shown relative to ROOT. Exit code 0 when every target's file-local
// names are unique, 1 on a clash, 2 on bad usage or an unreadable file.
#include "FileLocalNames.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	// The project's own sources; a target's list also holds the build's generated ones.
	bool IsSource(const std::filesystem::path& path)
	{
		return path.extension() == ".cpp";
	}

	// Scans the file into `sources`; false, having said so, when it cannot be read.
	bool Scan(const std::filesystem::path& root, const std::filesystem::path& path, const std::string& listedIn,
		std::vector<file_local_names::Source>& sources)
	{
		std::ifstream file(path, std::ios::binary);
		if (!file)
		{
			std::cerr << "FileLocalNamesCheck: cannot read " << path.string() << ", listed in " << listedIn << '\n';
			return false;
		}
		std::ostringstream text;
		text << file.rdbuf();
		sources.push_back({path.lexically_relative(root).string(), file_local_names::ScanSource(text.str())});
		return true;
	}

	// Prints the clashes of the target a list file names; false when a file cannot be read.
	bool CheckTarget(const std::filesystem::path& root, const std::vector<file_local_names::Source>& headers,
		const std::string& listPath, std::size_t& clashCount)
	{
		std::ifstream list(listPath);
		std::string target;
		std::string folder;
		if (!std::getline(list, target) || !std::getline(list, folder))
		{
			std::cerr << "FileLocalNamesCheck: " << listPath << ": cannot read a target's name and folder\n";
			return false;
		}
		std::vector<file_local_names::Source> sources;
		for (std::string line; std::getline(list, line);)
		{
			const std::filesystem::path path = std::filesystem::path(folder) / line;
			if (!line.empty() && IsSource(path) && !Scan(root, path, listPath, sources))
				return false;
		}
		const std::vector<std::string> clashes = file_local_names::FindClashes(target, sources, headers);
		for (const std::string& clash : clashes)
			std::cout << clash << '\n';
		clashCount += clashes.size();
		std::cout << target << ": " << sources.size() << " sources checked\n";
		return true;
	}
}

int main(int argc, char** argv)
{
	if (argc < 4)
	{
		std::cerr << "usage: FileLocalNamesCheck ROOT HEADERS LIST...\n";
		return 2;
	}
	const std::filesystem::path root = argv[1];
	std::vector<file_local_names::Source> headers;
	std::ifstream headerList(argv[2]);
	if (!headerList)
	{
		std::cerr << "FileLocalNamesCheck: cannot read the header list " << argv[2] << '\n';
		return 2;
	}
	for (std::string line; std::getline(headerList, line);)
		if (!line.empty() && !Scan(root, line, argv[2], headers))
			return 2;
	std::size_t clashCount = 0;
	for (int i = 3; i < argc; ++i)
		if (!CheckTarget(root, headers, argv[i], clashCount))
			return 2;
	if (clashCount == 0)
		return 0;
	std::cout << clashCount << " file-local names clash; give each a name of its own\n";
	return 1;
}
