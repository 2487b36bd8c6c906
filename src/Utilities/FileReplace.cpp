#include "Utilities/FileReplace.h"

#include <filesystem>
#include <fstream>

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

bool ReplaceFileContents(const std::string& requestedPath, std::string_view contents, std::string& error, LinkPolicy links)
{
	const std::string path = links == LinkPolicy::kReplaceTarget ? FinalTarget(requestedPath).string() : requestedPath;
	if (path.empty())
	{
		error = "'" + requestedPath + "' is a loop of symbolic links";
		return false;
	}
	const std::string temporary = path + ".tmp";
	// A link under the temporary name goes first: the stream would follow it and write through.
	if (std::error_code removeError; fs::is_symlink(fs::symlink_status(temporary, removeError)) && !fs::remove(temporary, removeError))
	{
		error = "cannot clear '" + temporary + "': " + removeError.message();
		return false;
	}
	{
		std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
		if (!out)
		{
			error = "cannot create '" + temporary + "'";
			return false;
		}
		out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
		out.close();
		if (!out)
		{
			error = "cannot write '" + temporary + "'";
			std::error_code ignored;
			fs::remove(temporary, ignored);
			return false;
		}
	}
	std::error_code renameError;
	fs::rename(temporary, path, renameError);
	if (renameError)
	{
		error = "cannot replace '" + path + "': " + renameError.message();
		std::error_code ignored;
		fs::remove(temporary, ignored);
		return false;
	}
	return true;
}
