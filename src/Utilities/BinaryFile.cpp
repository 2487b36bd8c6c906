#include "Utilities/BinaryFile.h"

#include "Platform/OpenedFile.h"
#include "Utilities/SearchPaths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace
{
	// Whether a file of that kind and size may be read; else problem says why.
	bool Readable(bool regular, std::uintmax_t bytes, std::uintmax_t limit, std::string& problem)
	{
		if (!regular)
			problem = "is not a file but a device, FIFO, folder or the like";
		else if (bytes > limit)
			problem = "is " + std::to_string(bytes) + " bytes, more than the " + std::to_string(limit) + " a data file may hold";
		return regular && bytes <= limit;
	}

	std::string GrewPast(std::uintmax_t limit)
	{
		return "grew past the " + std::to_string(limit) + " bytes a data file may hold while it was read";
	}
}

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
		return Readable(false, 0, limit, problem);
	const std::uintmax_t bytes = std::filesystem::file_size(path, error);
	if (error)
	{
		problem = "its size cannot be read (" + error.message() + ")";
		return false;
	}
	if (!Readable(true, bytes, limit, problem))
		return false;
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
			problem = GrewPast(limit);
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

bool CheckOpenedFile(const OpenedFile& file, std::string& problem, std::uintmax_t limit)
{
	if (!file.IsOpen())
	{
		problem = file.NotFound() ? "not found" : "cannot be read (" + file.Error() + ")";
		return false;
	}
	return Readable(file.IsRegular(), file.Size(), limit, problem);
}

bool ReadOpenedFile(const OpenedFile& file, std::string& contents, std::string& problem, std::uintmax_t limit)
{
	contents.clear();
	if (!CheckOpenedFile(file, problem, limit))
		return false;
	// One byte past the limit is asked for, as ReadBounded does, to catch a file that grew.
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
		problem = GrewPast(limit);
		return false;
	}
	problem.clear();
	return true;
}

bool ReadDataFile(const std::string& name, std::string& contents, std::string& problem)
{
	return ReadBounded(FindFile(name), contents, problem);
}

bool ReadDataFile(const std::string& name, std::vector<std::uint8_t>& contents, std::string& problem)
{
	return ReadBounded(FindFile(name), contents, problem);
}
