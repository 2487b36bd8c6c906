// The one way the game opens a data file (models, ragdolls, collision meshes, textures, shader
// definitions and sources, levels, the configuration): only regular files up to a stated size are
// read, so a name such as "/dev/zero", a FIFO or a huge file can neither hang the game nor
// exhaust its memory. Readers check every field against the bytes they were given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class OpenedFile;

// The largest data file the game reads; a bigger one is refused before any of it is read.
constexpr std::uintmax_t kMaxDataFileBytes = std::uintmax_t{256} << 20;

// True when path names a regular file of at most limit bytes (its size then goes to size, when
// given); else false and problem says why, in the words ReadFileAt uses. Nothing is opened for reading.
bool CheckDataFile(const std::string& path, std::string& problem, std::uintmax_t limit = kMaxDataFileBytes,
	std::uintmax_t* size = nullptr);

// The whole of the file at path. False, leaving the contents empty and problem saying why
// ("not found", "is not a file but a device, ...", too large, unreadable),
// when it cannot be read; the caller names the file in its one diagnostic.
bool ReadFileAt(const std::string& path, std::string& contents, std::string& problem);
bool ReadFileAt(const std::string& path, std::vector<std::uint8_t>& contents, std::string& problem);
// As ReadFileAt, for a kind of file that may hold at most limit bytes.
bool ReadFileAt(const std::string& path, std::string& contents, std::string& problem, std::uintmax_t limit);

// As CheckDataFile, for a file already opened: checks what was opened.
bool CheckOpenedFile(const OpenedFile& file, std::string& problem, std::uintmax_t limit = kMaxDataFileBytes);
// As ReadFileAt, for a file already opened (and checked) by the caller: what it read is what was
// opened, whatever its name points at by now. Of at most limit bytes.
bool ReadOpenedFile(const OpenedFile& file, std::string& contents, std::string& problem, std::uintmax_t limit);

// As ReadFileAt, for the file the search paths find for name (the name itself when none holds it).
bool ReadDataFile(const std::string& name, std::string& contents, std::string& problem);
bool ReadDataFile(const std::string& name, std::vector<std::uint8_t>& contents, std::string& problem);
