#include "Systems/GUI/GUI.h"

#include "HTMLEngine/HTMLEngine.h"
#include "Utilities/JavaScript.h"

void GUI::LoadConfig(Config&)
{
}

void GUI::Initialize()
{
	HTMLEngine::Initialize(nullptr);
	JavaScript::Instance().RegisterWithHTMLEngine();
}

void GUI::AddEditorObjectName(const std::string& objectName)
{
	editorObjectNames.insert(objectName);
}

bool GUI::IsEditorObjectName(const std::string& objectName) const
{
	return editorObjectNames.find(objectName) != editorObjectNames.end();
}
