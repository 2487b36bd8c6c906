// LevelFile: reads and writes a level: the name of the level that follows, the name of the one
// before, then one "ObjectGroup" element per group of objects. Loading replaces every group and
// object with the file's; saving writes only what each group holds beyond the files it includes.
#pragma once

#include "Utilities/HashMap.h"

#include <functional>
#include <string>

class ObjectGroup;
class OpenedFile;
class OpenedFolder;
class Serializer;

class LevelFile
{
public:
	// The group file named by each group element of the loaded level, by group id.
	using GroupNames = tw::hash_map<unsigned, std::string>;

	// Works on the engine's level names, group files and the id of the group loaded from the
	// file's last element (0 for none), which loading fills and saving reads.
	LevelFile(std::string& nextLevel, std::string& previousLevel, GroupNames& groupNames, unsigned& savedDefaultGroup);

	// Destroys every group and object, then reads the file found through the search paths; its
	// objects are started and "LevelLoaded" is sent engine-wide. False when the file cannot be
	// read or holds nothing: the world then stays empty.
	bool Load(const std::string& levelName);
	// As Load, reading the file the caller opened and checked, whatever its name leads to by now.
	bool Load(const OpenedFile& file, const std::string& levelName);
	// Destroys every group and object: the world of a level that is not loaded.
	void Clear();
	// False when the file could not be written; the old file is then left as it was.
	bool Save(const std::string& fileName) const;
	// As Save, into the folder as it was opened.
	bool Save(const OpenedFolder& folder, const std::string& fileName) const;

private:
	bool LoadWith(const std::string& levelName, const std::function<bool(Serializer&)>& read);
	// The level's document, ready to be saved.
	void Write(Serializer& serializer) const;
	void SaveGroup(Serializer& serializer, ObjectGroup& group) const;

	std::string& nextLevel;
	std::string& previousLevel;
	GroupNames& groupNames;
	unsigned& savedDefaultGroup;
};
