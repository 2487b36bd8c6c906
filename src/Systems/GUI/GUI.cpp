#include "Systems/GUI/GUI.h"

void GUI::LoadConfig(Config&)
{
}

void GUI::AddEditorObjectName(const std::string& objectName)
{
	editorObjectNames.insert(objectName);
}

bool GUI::IsEditorObjectName(const std::string& objectName) const
{
	return editorObjectNames.find(objectName) != editorObjectNames.end();
}
