// ReadBinaryFile: the whole of a binary data file (collision meshes, ragdoll skeletons), found
// through the engine's search paths, for readers that check every field against the file's length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// False, leaving bytes empty, when no readable file has the name.
bool ReadBinaryFile(const std::string& name, std::vector<std::uint8_t>& bytes);
