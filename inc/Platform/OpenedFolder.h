// OpenedFolder: a folder opened once, and every file written in it written relative to what was
// opened. A link swapped in for the folder, or for one of its parents, after it was opened and
// checked leads no write elsewhere. The level save opens the user's levels folder this way, checks
// where it really lies and writes through it; every whole-file replacement goes through here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class OpenedFolder
{
public:
	// The folder the path leads to now, links on the way followed; "" is the working folder.
	explicit OpenedFolder(const std::string& path);
	// The parent's sub-folder of that name, made when missing. A link in its place is never
	// followed: the folder is then not opened and IsLink tells why.
	OpenedFolder(const OpenedFolder& parent, const std::string& name);
	~OpenedFolder();
	OpenedFolder(const OpenedFolder&) = delete;
	OpenedFolder& operator=(const OpenedFolder&) = delete;

	bool IsOpen() const
	{
		return descriptor >= 0;
	}
	// True when a link stood in the place of a sub-folder.
	bool IsLink() const
	{
		return link;
	}
	// Why the folder was not opened, in the system's words.
	const std::string& Error() const
	{
		return error;
	}
	// The path it was opened by, ending in "/" (empty for the working folder).
	const std::string& Path() const
	{
		return path;
	}

	// True when this folder is the folder at folderPath or lies anywhere below it, told by the
	// identity (device and inode) of this folder and of each of its parents, whatever links or
	// mounts lead there; nothing when that cannot be told (the folder is not open, or a parent
	// cannot be reached). Nothing lies in a folder that is not there.
	std::optional<bool> LiesIn(const std::string& folderPath) const;

	// Writes the whole file of that name so that readers only ever see the old or the new
	// contents: the text goes to "<name>.tmp" in this folder, which replaces the file (or a link
	// in its place) once written out to the disk. False, with the reason in error, when the file
	// could not be written; it is untouched then and no temporary file is left.
	bool ReplaceFile(const std::string& name, std::string_view contents, std::string& error) const;

private:
	int descriptor = -1;
	bool link = false;
	std::string path;
	std::string error;
};
