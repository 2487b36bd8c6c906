#include "Components/GUI/VexalHud.h"

#include "Components/GUI/PlayerHud.h"
#include "Engine.h"
#include "Message.h"
#include "Object.h"
#include "Utilities/v8/JSObject.h"

namespace
{
	[[maybe_unused]] const bool vexalHudScriptClassRegistered = [] {
		JSObject<VexalHud>::Bind("VexalHud", 0)
			.AddFunction("HtmlCreated", &VexalHud::HtmlCreated)
			.AddFunction("ToggleDebug", &VexalHud::ToggleDebug)
			.AddFunction("NextDepth", &VexalHud::NextDepth)
			.AddFunction("PreviousDepth", &VexalHud::PreviousDepth)
			.AddFunction("PlaceObject", &VexalHud::PlaceObject)
			.AddFunction("ToggleNavMesh", &VexalHud::ToggleNavMesh);
		return true;
	}();

	void TellReconstructor(const char* messageName)
	{
		SendMessageToNamed("Reconstructor", Message(messageName));
	}
}

VexalHud::~VexalHud() = default;

void VexalHud::HtmlCreated()
{
	PlayerHud::PlaceDisplay(owner);
}

void VexalHud::ToggleDebug()
{
	TellReconstructor("ToggleDebugDraw");
}

void VexalHud::NextDepth()
{
	TellReconstructor("IncDrawLevel");
}

void VexalHud::PreviousDepth()
{
	TellReconstructor("DecDrawLevel");
}

void VexalHud::PlaceObject()
{
	TellReconstructor("RestoreNextObject");
}

void VexalHud::ToggleNavMesh()
{
	Engine::SendMessage(Message("ToggleNavMesh"));
}
