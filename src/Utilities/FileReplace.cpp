#include "Utilities/FileReplace.h"

#include <filesystem>
#include <fstream>

bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error)
{
	namespace fs = std::filesystem;
	const std::string temporary = path + ".tmp";
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
