// Finds the names a C++ source keeps to itself: what its anonymous namespaces hold, its static
// functions and variables, its namespace-scope constants, types and aliases, and the macros it
// leaves defined. The large targets compile their sources in batches, one file including eight, so
// two sources of one target that keep the same name to themselves break the build, or silently
// overload, whenever a new source moves them into one batch.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace file_local_names
{
	struct Name
	{
		// Qualified by the named namespaces around it ("tw::BoxAt"); a macro as "#define NAME".
		std::string name;
		int line = 0;
		// In an anonymous namespace, or static: no other file can name it at all.
		bool hidden = false;
	};

	// Each name once, at its first line, in the order met.
	struct Scan
	{
		// What the file keeps to itself: hidden names, types, aliases, constants and the macros it
		// leaves defined.
		std::vector<Name> fileLocal;
		// Every name declared at namespace scope, as a header's names are read.
		std::vector<Name> declared;
		// The namespaces `using namespace` opens at file scope.
		std::vector<std::string> openedNamespaces;
	};

	Scan ScanSource(std::string_view source);

	struct Source
	{
		std::string path;
		Scan scan;
	};

	// One message per source that keeps a name an earlier source of the target already keeps, and
	// per hidden name a header declares as well, naming both places: "b.cpp:9: error: ... a.cpp:3 ...".
	std::vector<std::string> FindClashes(const std::string& target, const std::vector<Source>& sources,
		const std::vector<Source>& headers);
}
