#include "Components/GUI/SelectionMode.h"

#include "Components/GUI/LevelEditorBrain.h"
#include "Components/Logic/CameraAim.h"
#include "Composition.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/v8/JSObject.h"

namespace
{
	[[maybe_unused]] const bool selectionModeScriptClassRegistered = [] {
		JSObject<SelectionMode>::Bind("SelectionMode", 0)
			.AddAccessor("CurrObjID", &SelectionMode::GetCurrObjID, &SelectionMode::SetCurrObjID)
			.AddFunction("DeleteObj", &SelectionMode::DeleteObj);
		return true;
	}();

	constexpr unsigned kSelectMode = 1;
	constexpr unsigned kMoveMode = 2;
}

bool SelectionMode::Start()
{
	CurrObjID = 0;
	owner->RegisterHandler("SelectObject", &SelectionMode::OnSelectObject);
	owner->RegisterHandler("SelectGroup", &SelectionMode::OnSelectGroup);
	return true;
}

bool SelectionMode::Update()
{
	const std::optional<unsigned> mode = LevelEditorBrain::ModeOf(*owner);
	if (mode == kSelectMode || mode == kMoveMode)
		ObjectFromId(CurrObjID).SendMessage(Message("TransformUpdated"));
	return true;
}

Object SelectionMode::PickedInSelectMode() const
{
	const Object nothing = ObjectFromId(0);
	if (LevelEditorBrain::ModeOf(*owner) != kSelectMode)
		return nothing;
	const std::optional<CameraAim> aim = CameraAim::Active();
	RigidBody* body = nullptr;
	Tuple3f point;
	return aim && aim->Cast(body, point) ? body->GetOwner() : nothing;
}

void SelectionMode::OnSelectObject(Message::Reader)
{
	const Object picked = PickedInSelectMode();
	if (picked.IsDummy())
		return;
	CurrObjID = picked.id;
	RefreshPage();
	GroupSelected = 0;
}

void SelectionMode::OnSelectGroup(Message::Reader)
{
	const Object picked = PickedInSelectMode();
	// An object whose group id names no group has no origin to select.
	const ObjectGroup* group = picked.IsDummy() ? nullptr : picked.object->GetGroup();
	const Object origin = group != nullptr ? group->GetOriginObject() : ObjectFromId(0);
	if (origin.IsDummy())
		return;
	CurrGroupID = group->GetId();
	CurrObjID = origin.id;
	RefreshPage();
	GroupSelected = 1;
}

void SelectionMode::DeleteObj()
{
	if (GroupSelected == 0)
	{
		ObjectFromId(CurrObjID).object->Destroy();
		return;
	}
	// A group destroyed since it was selected is gone from the table: nothing to do.
	if (ObjectGroup* group = ObjectGroup::Find(CurrGroupID))
		group->Destroy();
}

void SelectionMode::RefreshPage() const
{
	if (const LevelEditorBrain* brain = owner->GetComponent<LevelEditorBrain>())
		brain->RefreshPage();
}
