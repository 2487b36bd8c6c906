// SelectionMode: the level editor's picking tool, beside the LevelEditorBrain on "LevelEditor".
// In editor mode 1 it selects the object under the centre of the view, or that object's whole
// group; in modes 1 and 2 it tells the selection every frame that its Transform may have moved, so
// that its body follows. The page reads the selection and deletes it through the script class.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Object.h"

struct __SelectionModeName
{
	static constexpr const char* name = "SelectionMode";
};

class SelectionMode : public ComponentBase<SelectionMode, __SelectionModeName>
{
public:
	bool Load(Serializer&) override { return true; }
	bool Serialize(Serializer&) override { return true; }
	// Nothing selected; the handlers.
	bool Start() override;
	// "TransformUpdated" to the selection in modes 1 and 2.
	bool Update() override;
	void Detach() override {}

	// Destroys the selected group or object, in any mode; the selection stays as it was.
	void DeleteObj();

	unsigned GetCurrObjID() const { return CurrObjID; }
	void SetCurrObjID(unsigned objectId) { CurrObjID = objectId; }
	unsigned GetCurrGroupID() const { return CurrGroupID; }
	bool IsGroupSelected() const { return GroupSelected != 0; }

private:
	void OnSelectObject(Message::Reader reader);
	void OnSelectGroup(Message::Reader reader);
	// The owner of the body under the centre of the view in select mode; the dummy handle else.
	Object PickedInSelectMode() const;
	void RefreshPage() const;

	// For a group, the id of its origin object.
	unsigned CurrObjID = 0;
	unsigned CurrGroupID = 0;
	unsigned GroupSelected = 0;
};
