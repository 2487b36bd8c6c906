#include "Platform/OpenedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace
{
	std::string DescriptorLink(int descriptor)
	{
		return "/proc/self/fd/" + std::to_string(descriptor);
	}
}

OpenedFile::OpenedFile(const std::string& path)
{
	// Located without being opened for reading: a device or a FIFO is examined, never opened.
	const int located = open(path.c_str(), O_PATH | O_CLOEXEC);
	if (located < 0)
	{
		notFound = errno == ENOENT || errno == ENOTDIR;
		error = std::strerror(errno);
		return;
	}
	struct stat status{};
	char target[4096];
	const ssize_t length = readlink(DescriptorLink(located).c_str(), target, sizeof(target));
	if (fstat(located, &status) != 0 || length <= 0 || static_cast<std::size_t>(length) >= sizeof(target))
	{
		// A file whose kind or place cannot be told cannot be checked, and so is not read.
		error = "what it is cannot be told";
		close(located);
		return;
	}
	// The kernel's name of the located file: where the links led, once and for all.
	realPath.assign(target, static_cast<std::size_t>(length));
	regular = S_ISREG(status.st_mode);
	size = static_cast<std::uintmax_t>(status.st_size);
	// Opened for reading through the descriptor, not the name, so that it is the file examined.
	descriptor = regular ? open(DescriptorLink(located).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY) : -1;
	if (regular && descriptor < 0)
		error = std::strerror(errno);
	close(located);
	found = true;
}

OpenedFile::~OpenedFile()
{
	if (descriptor >= 0)
		close(descriptor);
}

long long OpenedFile::ReadAt(void* out, std::size_t count, std::uintmax_t offset) const
{
	if (descriptor < 0 || offset > static_cast<std::uintmax_t>(std::numeric_limits<off_t>::max()))
		return -1;
	ssize_t got;
	do
		got = pread(descriptor, out, count, static_cast<off_t>(offset));
	while (got < 0 && errno == EINTR);
	return got;
}
