// The plain files of one folder, for the level editor's lists of levels and creatable files.
#pragma once

#include <string>
#include <vector>

namespace Platform
{
	// Appends the names of the folder's regular files, sorted by name, as folder + name when
	// withFolder is set (the folder string unchanged), else the bare name. A relative folder is
	// looked for under baseFolder. Sub-folders and special files are skipped; a folder that is
	// missing or cannot be read adds nothing.
	void ListFolderFiles(const std::string& folder, std::vector<std::string>& files, bool withFolder,
		const std::string& baseFolder = "");
}
