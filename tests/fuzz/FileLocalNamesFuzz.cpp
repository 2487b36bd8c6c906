// Fuzzes the file-local name scanner of the build's batching check: any text, however broken, is
// scanned to its end, each name found once at a line the text has, and a source checked beside a
// copy of itself clashes once for each of its names.
#include "../tools/FileLocalNames.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
	const std::string_view text(reinterpret_cast<const char*>(data), size);
	const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
	const file_local_names::Scan scan = file_local_names::ScanSource(text);
	const std::vector<file_local_names::Name>& names = scan.fileLocal;
	std::set<std::string> seen;
	for (const file_local_names::Name& name : names)
		if (name.name.empty() || name.line < 1 || name.line > lines || !seen.insert(name.name).second)
			std::abort();
	const file_local_names::Source source{"a.cpp", scan};
	if (file_local_names::FindClashes("Fuzz", {source, source}, {}).size() != names.size())
		std::abort();
	return 0;
}
