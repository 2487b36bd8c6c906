// PlaceAndDeleteMode: the level editor's tool for adding and removing things, beside the
// LevelEditorBrain on "LevelEditor"; it acts only in editor mode 0. It lists the archetype and
// group files the editor may create, keeps and previews where the next one goes, creates it there
// on "CreateObject" and destroys the object under the centre of the view on "DeleteObject".
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <optional>
#include <string>
#include <vector>

class ObjectGroup;

struct __PlaceAndDeleteModeName
{
	static constexpr const char* name = "PlaceAndDeleteMode";
};

class PlaceAndDeleteMode : public ComponentBase<PlaceAndDeleteMode, __PlaceAndDeleteModeName>
{
public:
	static constexpr const char* kObjectFolder = "Data/Objects/EditorCreatable/";
	static constexpr const char* kGroupFolder = "Data/Groups/EditorCreatable/";

	bool Load(Serializer&) override { return true; }
	bool Serialize(Serializer&) override { return true; }
	// Handlers, the creatable lists, and a unit scale.
	bool Start() override;
	// The placement point, and in grid placement its preview.
	bool Update() override;
	void Detach() override {}

	// 0 on the surface the view ray hits, 1 on the unit grid in front of the eye.
	void ToggleMode() { PlacementMode = (PlacementMode - 1) & 1; }
	// 0 creates an object from an archetype file, 1 a group from a group file.
	void ToggleType() { ObjectsOrGroups = (ObjectsOrGroups - 1) & 1; }

	const std::string& GetCurrObjName() const { return CurrObjName; }
	void SetCurrObjName(const std::string& name) { CurrObjName = name; }
	const Tuple3f& GetScale() const { return Scale; }
	void SetScale(const Tuple3f& scale) { Scale = scale; }
	// Degrees.
	const Tuple3f& GetRotation() const { return Rotation; }
	void SetRotation(const Tuple3f& rotation) { Rotation = rotation; }
	unsigned GetObjectsOrGroups() const { return ObjectsOrGroups; }
	unsigned GetPlacementMode() const { return PlacementMode; }
	const Tuple3f& GetPlacePos() const { return PlacePos; }
	const Tuple3f& GetPlaceDistance() const { return PlaceDistance; }
	const std::vector<std::string>& GetCreatableObjectList() const { return CreatableObjectList; }
	const std::vector<std::string>& GetCreatableGroupList() const { return CreatableGroupList; }

private:
	void OnCreateObject(Message::Reader reader);
	void OnDeleteObject(Message::Reader reader);
	void OnDecrease(Message::Reader reader);
	void OnIncrease(Message::Reader reader);

	bool InPlaceMode() const;
	// The cell in front of the eye, its marker, the rotated box and its drop lines to the ground.
	void PreviewOnGrid(const Tuple3f& eye, const Tuple3f& direction);
	// The box a placed object or group fills, and the height of its lowest base.
	struct PlacedBox
	{
		Tuple3f centre;
		Tuple3f half;
		float bottom;
	};
	// The place the view's ray takes when it meets nothing, and the grid's before rounding.
	Tuple3f AheadOfEye(const Tuple3f& eye, const Tuple3f& direction) const;
	// Where to put what is placed at the anchor and fills the box: moved sideways, along the view
	// (on the grid, by whole cells), until it does not overlap the player's body.
	Tuple3f ClearOfPlayer(const Tuple3f& anchor, const PlacedBox& box) const;
	// The box the group's members with bodies fill where they hang now; none when none has a body.
	static std::optional<PlacedBox> BodiesBox(const ObjectGroup& group);
	void CreateObjectAt(Tuple3f target) const;
	void CreateGroupAt(Tuple3f target) const;
	// The next level save writes the placement instead of naming the archetype's own.
	static void KeepPlacement(Composition& placed);

	Tuple3f PlacePos;
	// Whether the view's ray has met a surface since the editor opened.
	bool viewMetASurface = false;
	Tuple3f PlaceDistance{5.0f, 5.0f, 5.0f};
	unsigned PlacementMode = 0;
	unsigned ObjectsOrGroups = 0;
	std::string CurrObjName;
	Tuple3f Scale;
	Tuple3f Rotation;
	std::vector<std::string> CreatableObjectList;
	std::vector<std::string> CreatableGroupList;
};
