#include "Platform/FolderListing.h"

#include <algorithm>
#include <filesystem>

namespace Platform
{
	void ListFolderFiles(const std::string& folder, std::vector<std::string>& files, bool withFolder, const std::string& baseFolder)
	{
		const std::filesystem::path given(folder);
		const std::filesystem::path searched = given.is_absolute() || baseFolder.empty() ? given : std::filesystem::path(baseFolder) / given;
		std::error_code error;
		std::filesystem::directory_iterator entry(searched, error);
		if (error)
			return;
		std::vector<std::string> names;
		for (; entry != std::filesystem::directory_iterator(); entry.increment(error))
		{
			if (error)
				return;
			std::error_code typeError;
			if (entry->is_regular_file(typeError))
				names.push_back(entry->path().filename().string());
		}
		std::sort(names.begin(), names.end());
		for (const std::string& name : names)
			files.push_back(withFolder ? folder + name : name);
	}
}
