#include "Platform/Folders.h"

#include <cstdlib>
#include <filesystem>

namespace Platform
{
	namespace
	{
		std::string WithTrailingSlash(std::string path)
		{
			if (!path.empty() && path.back() != '/')
				path += '/';
			return path;
		}
	}

	std::optional<std::string> ApplicationDataFolder()
	{
		const char* dataHome = std::getenv("XDG_DATA_HOME");
		if (dataHome && dataHome[0] == '/')
			return WithTrailingSlash(dataHome);
		const char* home = std::getenv("HOME");
		if (home && home[0] != '\0')
			return WithTrailingSlash(home) + ".local/share/";
		return std::nullopt;
	}

	std::string ExecutableFolder(const char* argv0)
	{
		std::error_code error;
		std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
		if (error && argv0)
			executable = std::filesystem::absolute(argv0, error);
		if (executable.empty())
			return "./";
		return WithTrailingSlash(executable.parent_path().string());
	}

	bool CreateFolder(const std::string& path)
	{
		std::error_code error;
		std::filesystem::create_directories(path, error);
		return std::filesystem::is_directory(path, error);
	}
}
