#include "Platform/OpenedFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>
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

	// Permissions a replacement carries over from the file it replaces.
	constexpr mode_t kPermissionBits = S_IRWXU | S_IRWXG | S_IRWXO;
	// A new file's mode before the user's umask takes bits away, as every program makes files.
	constexpr mode_t kNewFileMode = 0666;

	std::atomic<unsigned> temporariesNamed{0};

	// Offers this writer's temporary names ("<name>.<process>-<count>.tmp") in turn to take until it
	// succeeds or fails for another reason than the name being taken. A taken name (left by a
	// writer that was killed, or a file or link someone planted) is passed over, never written
	// through nor removed.
	bool TakeTemporaryName(const std::string& name, std::string& temporary, const std::function<bool(const char*)>& take)
	{
		const std::string stem = name + "." + std::to_string(getpid()) + "-";
		for (int attempt = 0; attempt < kMostTemporaryNamesTried; ++attempt)
		{
			temporary = stem + std::to_string(temporariesNamed++) + ".tmp";
			if (take(temporary.c_str()))
				return true;
			if (errno != EEXIST)
				return false;
		}
		return false;
	}

	// The permissions of the regular file of that name, which its replacement keeps: a file the user
	// made private stays private. Nothing for a new file, or one that stands in the place of a link.
	std::optional<mode_t> KeptMode(int folder, const std::string& name)
	{
		struct stat status{};
		if (fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode))
			return status.st_mode & kPermissionBits;
		return std::nullopt;
	}

	// An unnamed file is named through /proc (see FileReplacement::Name): where /proc is not
	// mounted there are none to be had, and the writer takes the named way.
	int MakeUnnamedFile(int folder, mode_t mode)
	{
		if (access("/proc/self/fd", X_OK) != 0)
		{
			errno = EOPNOTSUPP;
			return -1;
		}
		return openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
	}

	// A writer's replacement for a file: an unnamed file in the folder that takes a name only once
	// written whole, so that a writer killed on the way leaves nothing behind. Where the folder's
	// file system has no unnamed files, it is made under a temporary name of the writer's own, which
	// only a writer killed before the rename leaves. The temporary name is removed with the
	// replacement unless it was renamed onto the file.
	class FileReplacement
	{
	public:
		FileReplacement(int folder, const std::string& name) : folder(folder), name(name) {}
		~FileReplacement()
		{
			if (!temporary.empty())
				unlinkat(folder, temporary.c_str(), 0);
		}
		FileReplacement(const FileReplacement&) = delete;
		FileReplacement& operator=(const FileReplacement&) = delete;

		// Made with the kept mode, exactly, whatever the umask: never more open, even for a moment,
		// than the file it replaces.
		bool Make(std::optional<mode_t> keptMode)
		{
			const mode_t mode = keptMode.value_or(kNewFileMode);
			file = Descriptor(OpenedFolder::diskCalls.makeUnnamed(folder, mode));
			if (file.Get() < 0 && (errno == EOPNOTSUPP || errno == EISDIR))
				TakeTemporaryName(name, temporary, [&](const char* candidate) {
					file = Descriptor(openat(folder, candidate, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
					return file.Get() >= 0;
				});
			if (file.Get() < 0)
			{
				temporary.clear();
				return false;
			}
			return !keptMode || fchmod(file.Get(), *keptMode) == 0;
		}

		int File() const
		{
			return file.Get();
		}

		// Gives the whole file a temporary name beside the file it replaces, and closes it. Linked
		// through the process's view of its descriptor: naming by the descriptor alone needs a
		// privilege a game does not have.
		bool Name()
		{
			if (temporary.empty())
			{
				const std::string unnamed = "/proc/self/fd/" + std::to_string(file.Get());
				std::string taken;
				if (!TakeTemporaryName(name, taken, [&](const char* candidate) {
						return linkat(AT_FDCWD, unnamed.c_str(), folder, candidate, AT_SYMLINK_FOLLOW) == 0;
					}))
					return false;
				temporary = std::move(taken);
			}
			return close(file.Release()) == 0;
		}

		// Renames the temporary name onto the file: the one step at which the file changes.
		bool Rename()
		{
			if (OpenedFolder::diskCalls.rename(folder, temporary.c_str(), folder, name.c_str()) != 0)
				return false;
			temporary.clear();
			return true;
		}

	private:
		int folder;
		const std::string& name;
		Descriptor file{-1};
		std::string temporary;
	};

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

OpenedFolder::DiskCalls OpenedFolder::diskCalls{MakeUnnamedFile, fsync, renameat};

bool OpenedFolder::ReplaceFile(const std::string& name, std::string_view contents, std::string& failure) const
{
	if (descriptor < 0)
	{
		failure = "cannot open the folder '" + path + "': " + error;
		return false;
	}
	FileReplacement replacement(descriptor, name);
	if (!replacement.Make(KeptMode(descriptor, name)))
	{
		failure = "cannot create the new '" + path + name + "': " + SystemError();
		return false;
	}
	// The contents reach the disk before the file takes the name: renamed first, a power cut could
	// leave an empty file where the old one was.
	if (!WriteAll(replacement.File(), contents) || diskCalls.flush(replacement.File()) != 0 || !replacement.Name())
	{
		failure = "cannot write the new '" + path + name + "': " + SystemError();
		return false;
	}
	if (!replacement.Rename())
	{
		failure = "cannot replace '" + path + name + "': " + SystemError();
		return false;
	}
	// The file is replaced by now; the flush only makes the new name outlast a power cut.
	diskCalls.flush(descriptor);
	return true;
}
