// OpenedFile: a file located once, and what was located: the real path of the file (links resolved
// then, not when it is read), whether it is a regular file, and its size; a regular file is opened
// for reading through that same location. A reader that checks these and then reads reads what it
// checked, even when a link on the way is swapped in between. Nothing but a regular file is ever
// opened for reading: a FIFO or a device is only examined.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class OpenedFile
{
public:
	explicit OpenedFile(const std::string& path);
	~OpenedFile();
	OpenedFile(const OpenedFile&) = delete;
	OpenedFile& operator=(const OpenedFile&) = delete;

	// True when the file was found and examined (its real path, kind and size are known).
	bool IsOpen() const
	{
		return found;
	}
	// True when nothing was there to open.
	bool NotFound() const
	{
		return notFound;
	}
	// Why it was not found or a regular file of it cannot be read, in the system's words.
	const std::string& Error() const
	{
		return error;
	}
	// The absolute path of the opened file, every link resolved.
	const std::string& RealPath() const
	{
		return realPath;
	}
	bool IsRegular() const
	{
		return regular;
	}
	std::uintmax_t Size() const
	{
		return size;
	}

	// Up to count bytes of a regular file from offset into out: the number read, 0 at the end, -1 on
	// an error or for a file that is no regular file.
	long long ReadAt(void* out, std::size_t count, std::uintmax_t offset) const;

private:
	int descriptor = -1;
	bool found = false;
	bool notFound = false;
	bool regular = false;
	std::uintmax_t size = 0;
	std::string realPath;
	std::string error;
};
