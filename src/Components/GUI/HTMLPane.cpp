#include "Components/GUI/HTMLPane.h"

#include "Composition.h"
#include "Engine.h"
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "Serializer.h"
#include "Systems/GUI/GUI.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

namespace
{
	GUI* GuiSystem()
	{
		const Engine* engine = Engine::Instance();
		return engine != nullptr ? engine->GetSystem<GUI>() : nullptr;
	}

	bool NamesUrl(std::string startupType)
	{
		std::transform(startupType.begin(), startupType.end(), startupType.begin(),
			[](unsigned char c) { return static_cast<char>(std::toupper(c)); });
		return startupType == "URL";
	}

	int HeldSide(int side)
	{
		return std::clamp(side, 0, HTMLPane::kLargestSide);
	}
}

HTMLPane::HTMLPane(const HTMLPane& other)
	: ComponentBase(other), dimensions(other.dimensions), handlesInput(other.handlesInput), scroll(other.scroll),
	  transparent(other.transparent), isFile(other.isFile), startupLoc(other.startupLoc),
	  pageLocation(other.pageLocation)
{
}

bool HTMLPane::Load(Serializer& serializer)
{
	dimensions = Tuple4<int>(0, 0, 0, 0);
	serializer.Read(dimensions).Read(scroll).Read(transparent);
	if (HeldSide(dimensions.z) != dimensions.z || HeldSide(dimensions.w) != dimensions.w)
	{
		tw::Diagnostics::Report("HTMLPane of object \"" + owner->GetName() + "\": a view of " + std::to_string(dimensions.z) + " x " +
			std::to_string(dimensions.w) + " pixels is held to 0.." + std::to_string(kLargestSide) + " on each side");
		dimensions.z = HeldSide(dimensions.z);
		dimensions.w = HeldSide(dimensions.w);
	}
	isFile = NamesUrl(serializer.ReadString()) ? 0 : 1;
	startupLoc = serializer.ReadString();
	// Stripped before the search, so that neither the page loaded nor the name saved keeps it.
	if (isFile == 1 && startupLoc.starts_with("./"))
		startupLoc.erase(0, 2);
	pageLocation = isFile == 1 ? FindFile(startupLoc) : startupLoc;
	handlesInput = true;
	if (serializer.HasMore())
		serializer.Read(handlesInput);
	return true;
}

bool HTMLPane::Serialize(Serializer& serializer)
{
	serializer.Write("dimensions", dimensions)
		.Write("scroll", scroll)
		.Write("transparent", transparent)
		.Write("startupType", std::string(isFile == 0 ? "URL" : "FILE"))
		.Write("startupLoc", startupLoc)
		.Write("handlesInput", handlesInput);
	return true;
}

bool HTMLPane::Start()
{
	// Started again, the pane keeps its page: a second view would be lost and the pane listed twice,
	// once after it is gone.
	if (view != nullptr)
		return true;
	view = HTMLEngine::CreateView(dimensions.z, dimensions.w, transparent, false);
	view->SetAllowScollbars(scroll);
	if (isFile == 1)
		view->LoadFile(pageLocation, nullptr);
	else
		view->LoadURL(pageLocation, nullptr);
	owner->RegisterHandler("CallJSFunction", &HTMLPane::OnCallJSFunction);
	owner->RegisterHandler("LoadURL", &HTMLPane::OnLoadURL);
	owner->RegisterHandler("ForceRedraw", &HTMLPane::OnForceRedraw);
	owner->HandleMessage(Message("SetDisplayBounds")
			.Push(Tuple4<int>(dimensions.x, dimensions.y, dimensions.x + dimensions.z, dimensions.y + dimensions.w)));
	if (GUI* gui = GuiSystem())
		gui->AddPane(this);
	owner->HandleMessage(Message("ResizeHud"));
	view->LockCanvas(false);
	view->UnlockCanvas();
	return true;
}

void HTMLPane::Resize(int width, int height)
{
	dimensions = Tuple4<int>(0, 0, HeldSide(width), HeldSide(height));
	if (view != nullptr)
		view->Resize(dimensions.z, dimensions.w);
}

bool HTMLPane::Update()
{
	if (view != nullptr && view->IsDirty())
		Upload();
	return true;
}

void HTMLPane::Upload()
{
	if (view == nullptr)
		return;
	if (!handlesInput)
		view->DeselectAll();
	view->SetAllowScollbars(scroll);
	view->LockCanvas(false);
	// The whole view goes with the pixels, whatever changed: the texture mirrors the view.
	owner->HandleMessage(Message("SetTextureData")
			.Push(view->GetPixels())
			.Push(dimensions)
			.PushU32(static_cast<unsigned>(view->GetBytesPerRow())));
	view->UnlockCanvas();
}

void HTMLPane::Detach()
{
	// Unset first: the view's ending may make a held save that calls back into this pane's page.
	if (HTMLView* ending = std::exchange(view, nullptr))
		ending->Destroy();
	if (GUI* gui = GuiSystem())
		gui->RemovePane(this);
}

void HTMLPane::OnCallJSFunction(Message::Reader reader)
{
	if (view != nullptr)
		view->ExecuteJavascript(reader.Read<std::string>(), nullptr);
}

void HTMLPane::OnLoadURL(Message::Reader reader)
{
	if (view != nullptr)
		view->LoadURL(reader.Read<std::string>(), nullptr);
}

void HTMLPane::OnForceRedraw(Message::Reader)
{
	Upload();
}
