#include "Utilities/FileReplace.h"

#include "Platform/OpenedFolder.h"

#include <filesystem>

namespace
{
	namespace fs = std::filesystem;

	// As many links as the system itself follows before it gives up on a loop.
	constexpr unsigned kMaxLinksFollowed = 40;

	// The file a chain of symbolic links ends at: replacing the link itself by a regular file
	// would leave the user's real file behind with the old contents. Empty on a loop.
	fs::path FinalTarget(const fs::path& path)
	{
		fs::path target = path;
		for (unsigned followed = 0; followed < kMaxLinksFollowed; ++followed)
		{
			std::error_code error;
			if (!fs::is_symlink(fs::symlink_status(target, error)))
				return target;
			const fs::path next = fs::read_symlink(target, error);
			if (error)
				return target;
			target = next.is_absolute() ? next : target.parent_path() / next;
		}
		return {};
	}
}

bool ReplaceFileContents(const std::string& requestedPath, std::string_view contents, std::string& error)
{
	const fs::path path = FinalTarget(requestedPath);
	if (path.empty())
	{
		error = "'" + requestedPath + "' is a loop of symbolic links";
		return false;
	}
	return OpenedFolder(path.parent_path().string()).ReplaceFile(path.filename().string(), contents, error);
}
