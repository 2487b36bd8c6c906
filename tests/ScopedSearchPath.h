// A folder made one of the game's folders (a search path, as the engine makes its data and user
// folders) while the object lives, for tests of readers that open files only inside them.
#pragma once

#include "Utilities/SearchPaths.h"

#include <algorithm>
#include <string>

namespace test
{
	class ScopedSearchPath
	{
	public:
		explicit ScopedSearchPath(const std::string& folder) : folder(folder.back() == '/' ? folder : folder + "/")
		{
			added = Find() == GetSearchPaths().Entries().end() && GetSearchPaths().Add(this->folder);
		}
		// An engine that went meanwhile took every search path with it.
		~ScopedSearchPath()
		{
			const auto found = Find();
			if (added && found != GetSearchPaths().Entries().end())
				GetSearchPaths().Erase(found, std::next(found));
		}
		ScopedSearchPath(const ScopedSearchPath&) = delete;
		ScopedSearchPath& operator=(const ScopedSearchPath&) = delete;

	private:
		SearchPathList::Paths::const_iterator Find() const
		{
			const SearchPathList::Paths& paths = GetSearchPaths().Entries();
			return std::find(paths.begin(), paths.end(), folder);
		}

		std::string folder;
		bool added = false;
	};
}
