#include "Platform/OpenedFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace
{
	constexpr int kMostTemporaryNamesTried = 100;

	// A descriptor closed with its owner.
	class Descriptor
	{
	public:
		explicit Descriptor(int descriptor) : descriptor(descriptor) {}
		~Descriptor()
		{
			if (descriptor >= 0)
				close(descriptor);
		}
		Descriptor(const Descriptor&) = delete;
		Descriptor& operator=(const Descriptor&) = delete;
		Descriptor& operator=(Descriptor&& other) noexcept
		{
			std::swap(descriptor, other.descriptor);
			return *this;
		}

		int Get() const
		{
			return descriptor;
		}
		// Hands the descriptor over: it is no longer closed here.
		int Release()
		{
			return std::exchange(descriptor, -1);
		}

	private:
		int descriptor;
	};

	bool SameFile(const struct stat& one, const struct stat& other)
	{
		return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
	}

	std::string SystemError()
	{
		return std::strerror(errno);
	}

	// A new file in the folder under a name of its own, for a writer's text until it replaces the file.
	Descriptor CreateTemporaryFile(int folder, const std::string& name, std::string& temporary)
	{
		static std::atomic<unsigned> made{0};
		const std::string stem = name + "." + std::to_string(getpid()) + "-";
		// The name is this writer's alone: O_EXCL makes it or fails, and a name that is taken (left by a
		// writer that died, or a link) is never written through but passed over for the next.
		for (int attempt = 0; attempt < kMostTemporaryNamesTried; ++attempt)
		{
			temporary = stem + std::to_string(made++) + ".tmp";
			const int file = openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
			if (file >= 0 || errno != EEXIST)
				return Descriptor(file);
		}
		return Descriptor(-1);
	}

	bool WriteAll(int file, std::string_view contents)
	{
		while (!contents.empty())
		{
			const ssize_t written = write(file, contents.data(), contents.size());
			if (written < 0 && errno == EINTR)
				continue;
			if (written <= 0)
				return false;
			contents.remove_prefix(static_cast<std::size_t>(written));
		}
		return true;
	}
}

OpenedFolder::OpenedFolder(const std::string& path)
	: path(path.empty() || path.back() == '/' ? path : path + '/')
{
	descriptor = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (descriptor < 0)
		error = SystemError();
}

OpenedFolder::OpenedFolder(const OpenedFolder& parent, const std::string& name)
	: path(parent.Path() + name + '/')
{
	if (!parent.IsOpen())
	{
		error = parent.Error();
		return;
	}
	// Located without following a link, so that what is checked below is what stands there.
	const auto locate = [&] { return Descriptor(openat(parent.descriptor, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC)); };
	Descriptor located = locate();
	if (located.Get() < 0 && errno == ENOENT)
	{
		// Made by another at the same time is as good as made.
		if (mkdirat(parent.descriptor, name.c_str(), 0777) != 0 && errno != EEXIST)
		{
			error = SystemError();
			return;
		}
		located = locate();
	}
	struct stat status{};
	if (located.Get() < 0 || fstat(located.Get(), &status) != 0)
	{
		error = SystemError();
		return;
	}
	link = S_ISLNK(status.st_mode);
	if (!S_ISDIR(status.st_mode))
	{
		error = link ? "it is a link" : "it is no folder";
		return;
	}
	// Reopened through what was located, so that a file can be flushed in it.
	descriptor = openat(located.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (descriptor < 0)
		error = SystemError();
}

OpenedFolder::~OpenedFolder()
{
	if (descriptor >= 0)
		close(descriptor);
}

std::optional<bool> OpenedFolder::LiesIn(const std::string& folderPath, std::string& failure) const
{
	struct stat folder{};
	if (stat(folderPath.c_str(), &folder) != 0)
	{
		// Only a folder that is not there holds nothing; any other failure (a link loop, a parent
		// that may not be searched) leaves the folder unknown.
		if (errno == ENOENT || errno == ENOTDIR)
			return false;
		failure = "cannot look at '" + folderPath + "': " + SystemError();
		return std::nullopt;
	}
	if (descriptor < 0)
	{
		failure = "cannot open the folder '" + path + "': " + error;
		return std::nullopt;
	}
	// Up through the parents the kernel knows, not through names that links may have changed since.
	Descriptor current(openat(descriptor, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
	struct stat status{};
	if (current.Get() < 0 || fstat(current.Get(), &status) != 0)
	{
		failure = "cannot look at the folder '" + path + "': " + SystemError();
		return std::nullopt;
	}
	for (;;)
	{
		if (SameFile(status, folder))
			return true;
		Descriptor parent(openat(current.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
		struct stat parentStatus{};
		if (parent.Get() < 0 || fstat(parent.Get(), &parentStatus) != 0)
		{
			failure = "cannot reach a parent of the folder '" + path + "': " + SystemError();
			return std::nullopt;
		}
		// The root is its own parent.
		if (SameFile(parentStatus, status))
			return false;
		current = std::move(parent);
		status = parentStatus;
	}
}

OpenedFolder::DiskCalls OpenedFolder::diskCalls{fsync, renameat};

bool OpenedFolder::ReplaceFile(const std::string& name, std::string_view contents, std::string& failure) const
{
	if (descriptor < 0)
	{
		failure = "cannot open the folder '" + path + "': " + error;
		return false;
	}
	std::string temporary;
	Descriptor file = CreateTemporaryFile(descriptor, name, temporary);
	if (file.Get() < 0)
	{
		failure = "cannot create '" + path + temporary + "': " + SystemError();
		return false;
	}
	// The contents reach the disk before the file takes the name: renamed first, a power cut could
	// leave an empty file where the old one was.
	bool written = WriteAll(file.Get(), contents) && diskCalls.flush(file.Get()) == 0;
	std::string why = written ? "" : SystemError();
	if (close(file.Release()) != 0 && written)
	{
		written = false;
		why = SystemError();
	}
	if (!written)
	{
		failure = "cannot write '" + path + temporary + "': " + why;
		unlinkat(descriptor, temporary.c_str(), 0);
		return false;
	}
	if (diskCalls.rename(descriptor, temporary.c_str(), descriptor, name.c_str()) != 0)
	{
		failure = "cannot replace '" + path + name + "': " + SystemError();
		unlinkat(descriptor, temporary.c_str(), 0);
		return false;
	}
	// The file is replaced by now; the flush only makes the new name outlast a power cut.
	diskCalls.flush(descriptor);
	return true;
}
