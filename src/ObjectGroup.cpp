#include "ObjectGroup.h"

#include "Components/Origin.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "LoadingViewPace.h"
#include "Serializer.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace
{
	using GroupTable = tw::hash_map<unsigned, std::unique_ptr<ObjectGroup>>;

	constexpr unsigned kPhysicsIdGroupShift = 16;
	constexpr unsigned kPhysicsIdLocalMask = 0xFFFFu;

	// Owns every group made by Create; the default group is never in it.
	GroupTable& Groups()
	{
		static GroupTable groups;
		return groups;
	}

	// The id of the next group; 0 belongs to the default group.
	unsigned& NextGroupId()
	{
		static unsigned nextId = 1;
		return nextId;
	}

	std::vector<std::pair<unsigned, ObjectGroup::PhysicsIdPrefixer>>& PhysicsIdPrefixers()
	{
		static std::vector<std::pair<unsigned, ObjectGroup::PhysicsIdPrefixer>> prefixers;
		return prefixers;
	}

	// Hangs the transform on another origin, or on none, without moving it in the world.
	void RehangKeepingPlacement(Transform& transform, Origin* newParent)
	{
		const Tuple3f position = transform.GetWorldPosition();
		const Quaternion orientation = transform.GetWorldOrientation();
		transform.SetParent(newParent);
		transform.SetWorldPosition(position);
		// Composed as quaternions: re-expressing the rotation by subtracting rotation vectors would
		// turn the object whenever its rotation and the origin's do not share an axis.
		transform.SetWorldOrientation(orientation);
	}
}

ObjectGroup::ObjectGroup(unsigned id) : id(id)
{
}

ObjectGroup* ObjectGroup::Create()
{
	const unsigned newId = NextGroupId()++;
	std::unique_ptr<ObjectGroup>& stored = Groups()[newId];
	stored.reset(new ObjectGroup(newId));
	return stored.get();
}

ObjectGroup* ObjectGroup::Find(unsigned groupId)
{
	if (groupId == 0)
		return &Default();
	const auto found = Groups().find(groupId);
	return found != Groups().end() ? found->second.get() : nullptr;
}

ObjectGroup& ObjectGroup::Default()
{
	static ObjectGroup defaultGroup(0);
	return defaultGroup;
}

void ObjectGroup::DestroyAll()
{
	GroupTable& groups = Groups();
	while (!groups.empty())
		groups.begin()->second->Destroy();
	Default().Destroy();
}

std::vector<ObjectGroup*> ObjectGroup::InCreationOrder()
{
	std::vector<ObjectGroup*> ordered;
	ordered.reserve(Groups().size());
	for (const auto& entry : Groups())
		ordered.push_back(entry.second.get());
	// Ids grow with every group made.
	std::sort(ordered.begin(), ordered.end(), [](const ObjectGroup* a, const ObjectGroup* b) { return a->id < b->id; });
	return ordered;
}

void ObjectGroup::RegisterPhysicsIdPrefixer(unsigned componentTypeId, PhysicsIdPrefixer prefixer)
{
	auto& prefixers = PhysicsIdPrefixers();
	const auto found = std::find_if(prefixers.begin(), prefixers.end(), [&](const auto& entry) { return entry.first == componentTypeId; });
	if (found != prefixers.end())
		found->second = prefixer;
	else
		prefixers.emplace_back(componentTypeId, prefixer);
}

unsigned ObjectGroup::PrefixedPhysicsId(unsigned physicsId, unsigned originPhysicsId)
{
	return ((originPhysicsId & kPhysicsIdLocalMask) << kPhysicsIdGroupShift) | (physicsId & kPhysicsIdLocalMask);
}

bool ObjectGroup::IsMember(unsigned objectId) const
{
	return std::find(members.begin(), members.end(), objectId) != members.end();
}

void ObjectGroup::AddMember(const Object& object)
{
	if (object.IsDummy() || IsMember(object.id))
		return;
	members.push_back(object.id);
	object.object->SetGroup(id);

	Transform* transform = object.object->GetComponent<Transform>();
	const Object originObject = GetOriginObject();
	if (transform == nullptr || originObject.IsDummy())
		return;
	if (Origin* origin = originObject.object->GetComponent<Origin>())
		RehangKeepingPlacement(*transform, origin);
}

void ObjectGroup::RemoveMember(const Object& object)
{
	if (object.IsDummy())
		return;
	const auto found = std::find(members.begin(), members.end(), object.id);
	if (found == members.end())
		return;
	members.erase(found);

	Transform* transform = object.object->GetComponent<Transform>();
	if (transform != nullptr && transform->GetParent() != nullptr)
		RehangKeepingPlacement(*transform, nullptr);
}

void ObjectGroup::MoveMember(const Object& object, ObjectGroup* from, ObjectGroup& to)
{
	std::optional<MemberRecord> record;
	if (from != nullptr)
	{
		if (const auto found = from->records.find(object.id); found != from->records.end())
		{
			record = std::move(found->second);
			from->records.erase(found);
		}
		from->RemoveMember(object);
	}
	to.AddMember(object);
	// Left behind, the record would be lost to the save: an object from an archetype file would be
	// written as its name alone, its inherited components dropped.
	if (record && to.records.find(object.id) == to.records.end())
		to.records[object.id] = std::move(*record);
}

void ObjectGroup::SendMessage(const Message& message)
{
	// A member's handler may destroy this very group: Destroy then leaves the free to the walk.
	++deliveries;
	// By index: a handler may change the membership while the walk runs.
	for (std::size_t index = 0; index < members.size();)
	{
		const Object member = ObjectFromId(members[index]);
		if (member.IsDummy())
		{
			members.erase(members.begin() + static_cast<std::ptrdiff_t>(index));
			continue;
		}
		member.object->HandleMessage(message);
		++index;
	}
	if (--deliveries == 0 && destroyedDuringDelivery)
		delete this;
}

void ObjectGroup::StartAll()
{
	const tw::unordered_vector<unsigned> starting = members;
	for (unsigned memberId : starting)
		ObjectFromId(memberId).object->Start();
}

Object ObjectGroup::GetOriginObject() const
{
	return ObjectFromId(originId);
}

void ObjectGroup::Destroy()
{
	if (destroyedDuringDelivery)
		return;
	std::unique_ptr<ObjectGroup> self;
	GroupTable& groups = Groups();
	if (const auto found = groups.find(id); found != groups.end())
	{
		self = std::move(found->second);
		groups.erase(found);
	}
	// A copy: "Destroyed" handlers may create objects, and new objects join the default group.
	const tw::unordered_vector<unsigned> doomed = members;
	const unsigned doomedOrigin = originId;
	for (unsigned memberId : doomed)
		ObjectFromId(memberId).object->Destroy();
	ObjectFromId(doomedOrigin).object->Destroy();
	// A group of the table goes with self, or once its message walk is over; the default group
	// stays, emptied.
	if (self == nullptr)
		ForgetMembers();
	else if (deliveries > 0)
	{
		self.release();
		destroyedDuringDelivery = true;
	}
}

void ObjectGroup::ForgetMembers()
{
	members.clear();
	records.clear();
	originId = 0;
}

void ObjectGroup::SetRecord(unsigned objectId, MemberRecord record)
{
	records[objectId] = std::move(record);
}

bool ObjectGroup::Load(Serializer& serializer, int baseDepth)
{
	while (serializer.NextElement())
	{
		const int depth = serializer.EnterElementAtDepth();
		const std::string name = serializer.ReadString();
		const Object object = CreateObject(name);
		const char* file = serializer.PeekValue();
		SetRecord(object.id, MemberRecord(depth > baseDepth, file != nullptr ? file : ""));
		object.object->SetGroup(id);

		if (name == kOriginName)
		{
			// A later origin element (the level's own, after its group file's) replaces the earlier.
			GetOriginObject().object->Destroy();
			originId = object.id;
			object.object->AddComponent(Origin::TypeId(), serializer);
		}
		else
			object.object->Load(serializer, baseDepth + 1);

		LoadingViewPace::DrawWhenDue();
		serializer.LeaveNode();
	}

	const Object originObject = GetOriginObject();
	if (!originObject.IsDummy())
	{
		if (originObject.object->GetComponent<Origin>() == nullptr)
			originObject.object->AddComponent(Origin::TypeId());
		originObject.object->Start();
		HangMembersOnOrigin();
	}
	return true;
}

void ObjectGroup::HangMembersOnOrigin()
{
	Origin* origin = GetOriginObject().object->GetComponent<Origin>();
	if (origin == nullptr)
		return;
	for (unsigned memberId : members)
	{
		const Object member = ObjectFromId(memberId);
		if (member.IsDummy())
			continue;
		// The positions in the file are already relative to the origin: no conversion.
		if (Transform* transform = member.object->GetComponent<Transform>())
			transform->SetParent(origin);
		for (const auto& [typeId, prefixer] : PhysicsIdPrefixers())
			if (Component* component = member.object->GetComponent(typeId))
				prefixer(*component, origin->GetPhysicsId());
	}
}

std::optional<ObjectGroup::MemberRecord> ObjectGroup::WrittenRecord(unsigned memberId) const
{
	const Object member = ObjectFromId(memberId);
	if (member.IsDummy() || member.object->GetName() == kOriginName || member.object->IsInterface())
		return std::nullopt;
	const auto found = records.find(memberId);
	const MemberRecord record = found != records.end() ? found->second : MemberRecord(false, "");
	if (record.first)
		return std::nullopt;
	return record;
}

bool ObjectGroup::WritesOrigin() const
{
	return originId != 0 || !GetOriginObject().IsDummy();
}

bool ObjectGroup::WritesAnything() const
{
	return WritesOrigin() ||
		std::any_of(members.begin(), members.end(), [this](unsigned memberId) { return WrittenRecord(memberId).has_value(); });
}

bool ObjectGroup::Save(Serializer& serializer)
{
	for (unsigned memberId : members)
	{
		const std::optional<MemberRecord> record = WrittenRecord(memberId);
		if (!record)
			continue;
		Composition& member = *ObjectFromId(memberId).object;
		serializer.EnterNode(record->second, "Object");
		if (record->second.empty())
			serializer.Write("Archetype", member.GetName());
		else
			serializer.SkipNode();
		member.Save(serializer);
		serializer.LeaveNode();
	}

	// A group that never had an origin writes none. An origin deleted on its own (in the editor)
	// left its members standing in the world's frame: that frame is written as the origin, so the
	// origin of the group's file cannot carry them elsewhere on the next load.
	if (!WritesOrigin())
		return true;
	const Object originObject = GetOriginObject();
	// Written without a type name; only the origin's Origin component is kept.
	serializer.EnterNode("", "");
	serializer.Write("ObjectArchetype", std::string(kOriginName));
	if (originObject.IsDummy())
		Origin().Serialize(serializer);
	else if (Origin* origin = originObject.object->GetComponent<Origin>())
		origin->Serialize(serializer);
	serializer.LeaveNode();
	return true;
}
