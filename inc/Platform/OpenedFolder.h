// OpenedFolder: a folder opened once, and every file written in it written relative to what was
// opened. A link swapped in for the folder, or for one of its parents, after it was opened and
// checked leads no write elsewhere. The level save opens the user's levels folder this way, checks
// where it really lies and writes through it; every whole-file replacement goes through here.
#pragma once

#include <sys/types.h>

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
	// mounts lead there. Nothing lies in a folder that is not there. Nothing, with the reason in
	// failure, when that cannot be told: the folder at folderPath cannot be looked at (a link loop),
	// this folder is not open, or one of its parents cannot be reached.
	std::optional<bool> LiesIn(const std::string& folderPath, std::string& failure) const;

	// Writes the whole file of that name so that readers only ever see the old or a new whole
	// contents, however many write it at once: each writer's text goes to an unnamed file of its
	// own in this folder, which, once written out to the disk, takes a temporary name of the
	// writer's own ("<name>.<process>-<count>.tmp") and at once replaces the file (or a link in its
	// place). The new file keeps the permissions of the file it replaces; a new one gets the
	// default. False, with the reason in error, when the file could not be written; it is
	// untouched then and no temporary file is left.
	bool ReplaceFile(const std::string& name, std::string_view contents, std::string& error) const;

	// The calls that carry a replacement to the disk, in the order they are made: a test puts in
	// its own to see that order, or to refuse unnamed files as some file systems do.
	struct DiskCalls
	{
		// An unnamed file in the folder, open for writing.
		int (*makeUnnamed)(int folder, mode_t mode);
		int (*flush)(int descriptor);
		int (*rename)(int fromFolder, const char* from, int toFolder, const char* to);
	};
	static DiskCalls diskCalls;

private:
	int descriptor = -1;
	bool link = false;
	std::string path;
	std::string error;
};
