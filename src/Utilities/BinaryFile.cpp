#include "Utilities/BinaryFile.h"

#include "Utilities/SearchPaths.h"

#include <fstream>
#include <iterator>

bool ReadBinaryFile(const std::string& name, std::vector<std::uint8_t>& bytes)
{
	bytes.clear();
	std::ifstream in(FindFile(name), std::ios::binary);
	if (!in)
		return false;
	bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	return !in.bad();
}
