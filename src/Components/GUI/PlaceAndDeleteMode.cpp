#include "Components/GUI/PlaceAndDeleteMode.h"

#include "Archetype.h"
#include "Components/GUI/LevelEditorBrain.h"
#include "Components/Graphics/Camera.h"
#include "Components/Logic/CameraAim.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/AABB.h"
#include "Utilities/MathCommon.h"
#include "Utilities/v8/JSObject.h"
#include "Utilities/v8/ScriptTuples.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

namespace
{
	[[maybe_unused]] const bool placeAndDeleteModeScriptClassRegistered = [] {
		JSObject<PlaceAndDeleteMode>::Bind("PlaceAndDeleteMode", 0)
			.AddAccessor("CurrObjName", &PlaceAndDeleteMode::GetCurrObjName, &PlaceAndDeleteMode::SetCurrObjName)
			.AddAccessor("Scale", &PlaceAndDeleteMode::GetScale, &PlaceAndDeleteMode::SetScale)
			.AddAccessor("Rotation", &PlaceAndDeleteMode::GetRotation, &PlaceAndDeleteMode::SetRotation)
			.AddGetter("CreatableObjectList", &PlaceAndDeleteMode::GetCreatableObjectList)
			.AddGetter("CreatableGroupList", &PlaceAndDeleteMode::GetCreatableGroupList)
			.AddGetter("ObjectsOrGroups", &PlaceAndDeleteMode::GetObjectsOrGroups)
			.AddFunction("ToggleMode", &PlaceAndDeleteMode::ToggleMode)
			.AddFunction("ToggleType", &PlaceAndDeleteMode::ToggleType);
		return true;
	}();

	constexpr int kSplicedGroupBaseDepth = -1;
	// How far below the box a drop line reaches when nothing lies under it.
	constexpr float kDropLineDepth = 100.0f;
	const Tuple4f kMarkerColour(0.0f, 0.0f, 1.0f, 1.0f);
	const Tuple4f kBoxColour(1.0f, 0.0f, 0.0f, 1.0f);
	const Tuple4f kDropLineColour(0.0f, 0.0f, 0.0f, 1.0f);

	Tuple3f Floor(const Tuple3f& point)
	{
		return {std::floor(point.x), std::floor(point.y), std::floor(point.z)};
	}

	Tuple3f CellCentre(const Tuple3f& point)
	{
		return Floor(point) + Tuple3f(0.5f, 0.5f, 0.5f);
	}

	Tuple3f Radians(const Tuple3f& degrees)
	{
		return degrees * static_cast<float>(kDegreesToRadians);
	}

	// Room left between a created object and the player it was moved off.
	constexpr float kPlayerClearance = 0.05f;
	// Boxes that meet by less than this only touch (an object put on the player's head): the
	// physics bounds stand a little proud of the shape.
	constexpr float kTouching = 0.001f;
	// How far above a grid cell the ground under it is looked for: ground level with the cell's top
	// rises into it.
	constexpr float kAboveCell = 0.01f;
	// Below this, a horizontal heading has no direction to speak of (the view points straight down).
	constexpr double kLeastHeading = 1e-3;

	// The half extents of the box a created object fills: turned, it may reach as far as its corners.
	Tuple3f PlacedHalfExtents(const Tuple3f& scale, const Tuple3f& rotation)
	{
		const Tuple3f half(std::fabs(scale.x) * 0.5f, std::fabs(scale.y) * 0.5f, std::fabs(scale.z) * 0.5f);
		if (rotation == Tuple3f())
			return half;
		const float reach = static_cast<float>(half.Length());
		return {reach, reach, reach};
	}

	// The way a created object steps aside: where the view points, flattened; looking straight
	// down, towards the top of the view; else along -z.
	Tuple3f SidewaysHeading(const Tuple3f& direction)
	{
		const Graphics* graphics = Graphics::Find();
		const Camera* camera = graphics != nullptr ? graphics->GetActiveCamera() : nullptr;
		for (const Tuple3f& way : {direction, camera != nullptr ? camera->GetUp() : Tuple3f()})
		{
			const Tuple3f flat(way.x, 0.0f, way.z);
			if (IsFinite(flat) && flat.Length() > kLeastHeading)
				return flat.Normalize();
		}
		return {0.0f, 0.0f, -1.0f};
	}

	// On the grid an object steps along the grid axis the heading leans along most.
	Tuple3f AlongGridAxis(const Tuple3f& heading)
	{
		if (std::fabs(heading.x) >= std::fabs(heading.z))
			return {heading.x < 0.0f ? -1.0f : 1.0f, 0.0f, 0.0f};
		return {0.0f, 0.0f, heading.z < 0.0f ? -1.0f : 1.0f};
	}

	// A group's origin is its base, which on a surface stands where an object's bottom would. On the
	// grid it stands on the cell's floor, where an object's bottom would too, or on the level's
	// ground where that rises into the cell: a view aimed down at the ground puts the cell in it,
	// and a tower made at the cell's centre stood with its bottom crate in the floor.
	float GridBase(const Tuple3f& cellCentre)
	{
		const float cellFloor = cellCentre.y - 0.5f;
		const Tuple3f aboveCell(cellCentre.x, cellCentre.y + 0.5f + kAboveCell, cellCentre.z);
		const Physics* physics = Physics::Instance();
		Tuple3f ground;
		if (physics != nullptr && physics->RayCastStatic(aboveCell, Tuple3f(0.0f, -1.0f, 0.0f), nullptr, &ground))
			return std::max(cellFloor, ground.y);
		return cellFloor;
	}

	// The centre moved along the horizontal heading until a box of those half extents clears the
	// bounds (minimum x, y, z, then maximum) on x or z; unchanged when the two do not overlap.
	// By whole units on the grid, so that a cell's centre stays one.
	Tuple3f ClearOfBounds(const Tuple3f& centre, const Tuple3f& half, const float* bounds, const Tuple3f& heading, bool onGrid)
	{
		for (int axis = 0; axis < 3; ++axis)
			if (centre[axis] + half[axis] <= bounds[axis] + kTouching || centre[axis] - half[axis] >= bounds[axis + 3] - kTouching)
				return centre;
		float step = std::numeric_limits<float>::max();
		for (int axis : {0, 2})
		{
			if (std::fabs(heading[axis]) <= kLeastHeading)
				continue;
			const float clear = heading[axis] > 0.0f ? bounds[axis + 3] + half[axis] + kPlayerClearance
													 : bounds[axis] - half[axis] - kPlayerClearance;
			step = std::min(step, (clear - centre[axis]) / heading[axis]);
		}
		// Cells that only touch the player's may meet it: on the grid the room left is not kept.
		return centre + heading * (onGrid ? std::ceil(step - kPlayerClearance - kTouching) : step);
	}
}

bool PlaceAndDeleteMode::Start()
{
	owner->RegisterHandler("CreateObject", &PlaceAndDeleteMode::OnCreateObject);
	owner->RegisterHandler("DeleteObject", &PlaceAndDeleteMode::OnDeleteObject);
	owner->RegisterHandler("Decrease", &PlaceAndDeleteMode::OnDecrease);
	owner->RegisterHandler("Increase", &PlaceAndDeleteMode::OnIncrease);
	LevelEditorBrain::ListGameFolder(kObjectFolder, CreatableObjectList, false);
	LevelEditorBrain::ListGameFolder(kGroupFolder, CreatableGroupList, false);
	Scale = Tuple3f(1.0f, 1.0f, 1.0f);
	Rotation = Tuple3f();
	return true;
}

bool PlaceAndDeleteMode::InPlaceMode() const
{
	return owner != nullptr && LevelEditorBrain::ModeOf(*owner) == 0u;
}

bool PlaceAndDeleteMode::Update()
{
	const std::optional<CameraAim> aim = CameraAim::Active();
	if (!aim)
		return true;
	if (PlacementMode == 1 && InPlaceMode())
		PreviewOnGrid(aim->eye, aim->direction);
	else if (Physics::RayCast(aim->eye, aim->direction, nullptr, &PlacePos))
		viewMetASurface = true;
	// Until the view meets a surface the place is ahead of the eye, in view: the world origin, a
	// new editor's place, lies wherever the player walked from.
	else if (!viewMetASurface)
		PlacePos = AheadOfEye(aim->eye, aim->direction);
	return true;
}

Tuple3f PlaceAndDeleteMode::AheadOfEye(const Tuple3f& eye, const Tuple3f& direction) const
{
	return eye + Tuple3f(direction.x * PlaceDistance.x, direction.y * PlaceDistance.y, direction.z * PlaceDistance.z);
}

void PlaceAndDeleteMode::PreviewOnGrid(const Tuple3f& eye, const Tuple3f& direction)
{
	PlacePos = Floor(AheadOfEye(eye, direction));
	const Tuple3f c = PlacePos + Tuple3f(0.5f, 0.5f, 0.5f);
	Graphics* graphics = Graphics::Find();
	if (graphics != nullptr)
	{
		graphics->DrawSphere(c, Tuple3f(0.1f, 0.1f, 0.1f), Tuple3f(), 10, 10, kMarkerColour);
		graphics->DrawCube(c, Scale, Radians(Rotation), kBoxColour);
	}
	const Tuple3f h = Scale * 0.5f;
	Tuple3f g;
	const bool hit = Physics::RayCast(c, Tuple3f(0.0f, -1.0f, 0.0f), nullptr, &g);
	if (graphics == nullptr)
		return;
	if (!hit)
	{
		graphics->DrawLine(Tuple3f(c.x, c.y - h.y, c.z), Tuple3f(c.x, c.y - kDropLineDepth, c.z), 1.0f, kDropLineColour);
		return;
	}
	// One line under each bottom corner of the axis-aligned box.
	for (const auto& [sx, sz] : {std::pair(1.0f, 1.0f), std::pair(-1.0f, -1.0f), std::pair(1.0f, -1.0f), std::pair(-1.0f, 1.0f)})
		graphics->DrawLine(Tuple3f(c.x + sx * h.x, c.y - h.y, c.z + sz * h.z), Tuple3f(g.x + sx * h.x, g.y, g.z + sz * h.z), 1.0f,
			kDropLineColour);
}

void PlaceAndDeleteMode::OnCreateObject(Message::Reader)
{
	if (!InPlaceMode())
		return;
	Tuple3f target = PlacementMode == 0 ? PlacePos + Tuple3f(0.0f, Scale.y * 0.5f, 0.0f) : CellCentre(PlacePos);
	// A camera aimed along an almost zero direction can put the mark at infinity, and a level
	// saved with an infinite position reloads it as the origin.
	if (!IsFinite(target))
	{
		std::cerr << "PlaceAndDeleteMode: the placement point (" << target.x << ' ' << target.y << ' ' << target.z
				  << ") is not finite; nothing was created\n";
		return;
	}
	if (ObjectsOrGroups == 0)
		CreateObjectAt(target);
	else
		CreateGroupAt(target);
}

Tuple3f PlaceAndDeleteMode::ClearOfPlayer(const Tuple3f& anchor, const PlacedBox& box) const
{
	// Looking down from the player's eye, the view ray meets the ground at the player's feet: an
	// object made there would stand inside the player and burst out when the game resumes.
	const Object player = ObjectFromName("Player");
	const Body* body = player.IsDummy() ? nullptr : player.object->GetComponent<Body>();
	const Collider* collider = body != nullptr ? body->GetCollider() : nullptr;
	const std::optional<CameraAim> aim = CameraAim::Active();
	if (collider == nullptr || !aim)
		return anchor;
	const bool onGrid = PlacementMode == 1;
	const Tuple3f heading = SidewaysHeading(aim->direction);
	const Tuple3f centre = ClearOfBounds(box.centre, box.half, collider->GetBounds(), onGrid ? AlongGridAxis(heading) : heading, onGrid);
	if (centre == box.centre)
		return anchor;
	Tuple3f clear = anchor + (centre - box.centre);
	// The ray may have left from inside the player's body and met its underside: beside the
	// player the object stands on what lies under it, as it would have at the player's feet. On
	// the grid it keeps its cell's height.
	Tuple3f ground;
	if (!onGrid && Physics::RayCast(centre, Tuple3f(0.0f, -1.0f, 0.0f), nullptr, &ground))
		clear.y += ground.y - box.bottom;
	return clear;
}

void PlaceAndDeleteMode::CreateObjectAt(Tuple3f target) const
{
	const Object made = CreateObjectFromArchetype(CurrObjName);
	if (made.IsDummy())
	{
		std::cerr << "PlaceAndDeleteMode: the archetype \"" << CurrObjName << "\" did not load; nothing was created\n";
		return;
	}
	const float halfHeight = std::fabs(Scale.y) * 0.5f;
	target = ClearOfPlayer(target, {target, PlacedHalfExtents(Scale, Rotation), target.y - halfHeight});
	made.object->HandleMessage(Message("SetPos").Push(target));
	made.object->HandleMessage(Message("SetScale").Push(Scale));
	made.object->HandleMessage(Message("SetRot").Push(Radians(Rotation)));
	made.object->Start();
	KeepPlacement(*made.object);
}

void PlaceAndDeleteMode::CreateGroupAt(Tuple3f target) const
{
	Serializer serializer;
	// An empty group would be saved naming a file that cannot load: nothing is made instead.
	if (!serializer.LoadFile(CurrObjName))
	{
		std::cerr << "PlaceAndDeleteMode: the group file \"" << CurrObjName << "\" did not load; nothing was created\n";
		return;
	}
	ObjectGroup* group = ObjectGroup::Create();
	// Loaded as if spliced into a level, one step below its group element: the objects stay the
	// file's, and the level save names the file instead of writing them.
	group->Load(serializer, kSplicedGroupBaseDepth);
	if (Engine* engine = Engine::Instance())
		engine->RecordGroupFile(group->GetId(), CurrObjName);
	target.y = PlacementMode == 0 ? target.y - 0.5f : GridBase(target);
	const Object origin = group->GetOriginObject();
	origin.SendMessage(Message("SetPos").Push(target));
	origin.SendMessage(Message("SetRot").Push(Radians(Rotation)));
	if (const std::optional<PlacedBox> box = BodiesBox(*group))
		origin.SendMessage(Message("SetPos").Push(ClearOfPlayer(target, *box)));
	group->StartAll();
	if (!origin.IsDummy())
		KeepPlacement(*origin.object);
}

std::optional<PlaceAndDeleteMode::PlacedBox> PlaceAndDeleteMode::BodiesBox(const ObjectGroup& group)
{
	std::optional<AABB> filled;
	float bottom = std::numeric_limits<float>::max();
	for (unsigned id : group.GetMembers())
	{
		const Object member = ObjectFromId(id);
		if (member.IsDummy() || member.object->GetComponent<Body>() == nullptr)
			continue;
		const Transform* transform = member.object->GetComponent<Transform>();
		if (transform == nullptr)
			continue;
		const Tuple3f centre = transform->GetWorldPosition();
		const Tuple3f half = PlacedHalfExtents(transform->GetScale(), transform->GetWorldRotationVector());
		const AABB box{centre - half, centre + half};
		filled = filled ? AABB::Union(*filled, box) : box;
		bottom = std::min(bottom, centre.y - std::fabs(transform->GetScale().y) * 0.5f);
	}
	if (!filled)
		return std::nullopt;
	return PlacedBox{filled->Centre(), (filled->max - filled->min) * 0.5f, bottom};
}

void PlaceAndDeleteMode::KeepPlacement(Composition& placed)
{
	for (const auto& [objectId, typeId] : placed.GetHandlerTargets("SetPos"))
		if (const Object target = ObjectFromId(objectId); !target.IsDummy())
			target.object->ClearArchetypeRecord(typeId);
}

void PlaceAndDeleteMode::OnDeleteObject(Message::Reader)
{
	if (!InPlaceMode())
		return;
	const std::optional<CameraAim> aim = CameraAim::Active();
	RigidBody* body = nullptr;
	Tuple3f point;
	// Whatever owns the body goes; a member of a group goes alone.
	if (aim && aim->Cast(body, point))
		body->GetOwner().object->Destroy();
}

void PlaceAndDeleteMode::OnDecrease(Message::Reader)
{
	if (InPlaceMode())
		PlaceDistance -= Tuple3f(1.0f, 1.0f, 1.0f);
}

void PlaceAndDeleteMode::OnIncrease(Message::Reader)
{
	if (InPlaceMode())
		PlaceDistance += Tuple3f(1.0f, 1.0f, 1.0f);
}
