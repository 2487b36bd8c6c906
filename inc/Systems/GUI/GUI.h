// GUI: the HTML interface system. Until that subsystem is built it is a placeholder that has its
// name and type id and takes part in the frame as an empty system; of the subsystem's work it only
// hands the script classes to the pages' script engine and keeps the set of the level editor's own
// object names, which level saving asks about.
#pragma once

#include "System.h"
#include "Utilities/HashSet.h"

#include <string>

struct __GUIName
{
	static constexpr const char* name = "GUI";
};

class GUI : public SystemBase<GUI, __GUIName>
{
public:
	void LoadConfig(Config& section) override;
	// Hands the script classes and global functions to the pages' script engine.
	void Initialize() override;

	// The names of the objects the level editor made for its own use; saving a level skips them.
	void AddEditorObjectName(const std::string& objectName);
	bool IsEditorObjectName(const std::string& objectName) const;

private:
	tw::hash_set<std::string> editorObjectNames;
};
