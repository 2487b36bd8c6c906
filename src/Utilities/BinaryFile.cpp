#include "Utilities/BinaryFile.h"

#include "Utilities/SearchPaths.h"

#include <filesystem>
#include <fstream>

bool CheckDataFile(const std::string& path, std::string& problem, std::uintmax_t limit, std::uintmax_t* size)
{
	std::error_code error;
	const std::filesystem::file_status status = std::filesystem::status(path, error);
	if (status.type() == std::filesystem::file_type::not_found)
	{
		problem = "not found";
		return false;
	}
	// Checked before opening: opening a FIFO waits for a writer, and a device never ends.
	if (!std::filesystem::is_regular_file(status))
	{
		problem = "is not a file but a device, FIFO, folder or the like";
		return false;
	}
	const std::uintmax_t bytes = std::filesystem::file_size(path, error);
	if (error || bytes > limit)
	{
		problem = error ? "its size cannot be read (" + error.message() + ")"
						: "is " + std::to_string(bytes) + " bytes, more than the " + std::to_string(limit) + " a data file may hold";
		return false;
	}
	if (size != nullptr)
		*size = bytes;
	return true;
}

namespace
{
	template <class Contents>
	bool ReadBounded(const std::string& path, Contents& contents, std::string& problem, std::uintmax_t limit = kMaxDataFileBytes)
	{
		contents.clear();
		std::uintmax_t size = 0;
		if (!CheckDataFile(path, problem, limit, &size))
			return false;
		std::ifstream in(path, std::ios::binary);
		// One byte past the limit is asked for, so a file that grew since it was measured is caught
		// without reading the rest of it.
		contents.resize(static_cast<std::size_t>(limit < size + 1 ? limit + 1 : size + 1));
		in.read(reinterpret_cast<char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
		if (!in.is_open() || in.bad())
		{
			contents.clear();
			problem = "cannot be read";
			return false;
		}
		contents.resize(static_cast<std::size_t>(in.gcount()));
		if (contents.size() > limit)
		{
			contents.clear();
			problem = "grew past the " + std::to_string(limit) + " bytes a data file may hold while it was read";
			return false;
		}
		problem.clear();
		return true;
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

bool ReadDataFile(const std::string& name, std::string& contents, std::string& problem)
{
	return ReadBounded(FindFile(name), contents, problem);
}

bool ReadDataFile(const std::string& name, std::vector<std::uint8_t>& contents, std::string& problem)
{
	return ReadBounded(FindFile(name), contents, problem);
}
