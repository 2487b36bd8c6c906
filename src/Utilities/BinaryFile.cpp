#include "Utilities/BinaryFile.h"

#include "Platform/OpenedFile.h"
#include "Utilities/SearchPaths.h"

#include <algorithm>

bool CheckOpenedFile(const OpenedFile& file, std::string& problem, std::uintmax_t limit)
{
	if (!file.IsOpen())
		problem = file.NotFound() ? "not found" : "cannot be read (" + file.Error() + ")";
	else if (!file.IsRegular())
		problem = "is not a file but a device, FIFO, folder or the like";
	else if (file.Size() > limit)
		problem = "is " + std::to_string(file.Size()) + " bytes, more than the " + std::to_string(limit) + " a data file may hold";
	else
		return true;
	return false;
}

bool CheckDataFile(const std::string& path, std::string& problem, std::uintmax_t limit, std::uintmax_t* size)
{
	// Located, not opened for reading: opening a FIFO waits for a writer, and a device never ends.
	const OpenedFile file(path);
	if (!CheckOpenedFile(file, problem, limit))
		return false;
	if (size != nullptr)
		*size = file.Size();
	return true;
}

namespace
{
	template <class Contents>
	bool ReadOpened(const OpenedFile& file, Contents& contents, std::string& problem, std::uintmax_t limit)
	{
		contents.clear();
		if (!CheckOpenedFile(file, problem, limit))
			return false;
		// One byte past the limit is asked for, so a file that grew since it was measured is caught
		// without reading the rest of it.
		contents.resize(static_cast<std::size_t>(std::min(limit, file.Size()) + 1));
		std::size_t filled = 0;
		for (long long read = 1; read > 0 && filled < contents.size(); filled += static_cast<std::size_t>(read))
		{
			read = file.ReadAt(contents.data() + filled, contents.size() - filled, filled);
			if (read < 0)
			{
				contents.clear();
				problem = "cannot be read";
				return false;
			}
		}
		contents.resize(filled);
		if (filled > limit)
		{
			contents.clear();
			problem = "grew past the " + std::to_string(limit) + " bytes a data file may hold while it was read";
			return false;
		}
		problem.clear();
		return true;
	}

	// Every data file is read through the one file it was checked as.
	template <class Contents>
	bool ReadBounded(const std::string& path, Contents& contents, std::string& problem, std::uintmax_t limit = kMaxDataFileBytes)
	{
		const OpenedFile file(path);
		return ReadOpened(file, contents, problem, limit);
	}
}

bool ReadFileAt(const std::string& path, std::string& contents, std::string& problem)
{
	return ReadBounded(path, contents, problem);
}

bool ReadFileAt(const std::string& path, std::vector<std::uint8_t>& contents, std::string& problem)
{
	return ReadBounded(path, contents, problem);
}

bool ReadFileAt(const std::string& path, std::string& contents, std::string& problem, std::uintmax_t limit)
{
	return ReadBounded(path, contents, problem, limit);
}

bool ReadOpenedFile(const OpenedFile& file, std::string& contents, std::string& problem, std::uintmax_t limit)
{
	return ReadOpened(file, contents, problem, limit);
}

bool ReadDataFile(const std::string& name, std::string& contents, std::string& problem)
{
	return ReadBounded(FindFile(name), contents, problem);
}

bool ReadDataFile(const std::string& name, std::vector<std::uint8_t>& contents, std::string& problem)
{
	return ReadBounded(FindFile(name), contents, problem);
}
