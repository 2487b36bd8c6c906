// ObjectGroup: the objects that were loaded together from one group element of a level, or placed
// together from a group file. A group may carry an origin object whose Origin is the frame every
// member's Transform hangs on. Groups hold member ids and archetype records, never objects.
#pragma once

#include "Object.h"
#include "Utilities/HashMap.h"
#include "Utilities/UnorderedVector.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

class Component;
class Message;
class Serializer;

class ObjectGroup
{
public:
	// Per member: (came from an included group file and is not written back, the "file" attribute
	// of the object's element, empty when it had none).
	using MemberRecord = std::pair<bool, std::string>;
	// Gives the physics ids held by one component the prefix of the group's origin.
	using PhysicsIdPrefixer = void (*)(Component& component, unsigned originPhysicsId);

	// The name that marks a group's origin object among a group element's objects.
	static constexpr const char* kOriginName = "Origin";

	ObjectGroup(const ObjectGroup&) = delete;
	ObjectGroup& operator=(const ObjectGroup&) = delete;

	// A new, empty group in the group table. Ids grow over the whole run and are never reused.
	static ObjectGroup* Create();
	// The group of the id; the default group for 0; null for an id that names no group.
	static ObjectGroup* Find(unsigned id);
	// Group 0: every new object starts in it. It lives for the whole run.
	static ObjectGroup& Default();
	// Destroys every group of the table, then empties the default group.
	static void DestroyAll();
	// The groups of the table (not the default group), oldest first.
	static std::vector<ObjectGroup*> InCreationOrder();

	// Components that hold physics ids register how those ids take a group's prefix; a group
	// applies every prefixer to its members once it has loaded with an origin.
	static void RegisterPhysicsIdPrefixer(unsigned componentTypeId, PhysicsIdPrefixer prefixer);
	// The lower 16 bits of physicsId under the lower 16 bits of originPhysicsId, so that two
	// instances of one group file whose origins differ get distinct physics ids.
	static unsigned PrefixedPhysicsId(unsigned physicsId, unsigned originPhysicsId);

	// Membership. A member's Transform moves into and out of the origin's frame keeping its world
	// placement.
	void AddMember(const Object& object);
	void RemoveMember(const Object& object);
	// What Composition::SetGroup does: the object leaves from (when there is one) and joins to,
	// taking its record along unless to has one for it already.
	static void MoveMember(const Object& object, ObjectGroup* from, ObjectGroup& to);

	// Delivers the message to every member, forgetting members that have gone. A member may
	// destroy the group meanwhile: the group is freed when the walk ends.
	void SendMessage(const Message& message);
	void StartAll();
	// The dummy handle when the group has no origin.
	Object GetOriginObject() const;
	// Destroys every member and the origin object (at the end of the frame) and frees the group;
	// the default group is only emptied.
	void Destroy();

	// Reads the objects of a group element; the cursor stands on its first child. Objects nested
	// deeper than baseDepth came from an included group file and are not written back.
	bool Load(Serializer& serializer, int baseDepth);
	// Writes every member that is not inherited, then the origin element.
	bool Save(Serializer& serializer);
	// Whether Save would write an object or an origin.
	bool WritesAnything() const;

	void SetRecord(unsigned objectId, MemberRecord record);

	unsigned GetId() const
	{
		return id;
	}
	// In order of joining.
	const tw::unordered_vector<unsigned>& GetMembers() const
	{
		return members;
	}

private:
	explicit ObjectGroup(unsigned id);

	bool IsMember(unsigned objectId) const;
	// The record a save writes the member with; none for an id that no longer resolves, the origin
	// (written on its own), the interface's objects and members inherited from a group file.
	std::optional<MemberRecord> WrittenRecord(unsigned memberId) const;
	bool WritesOrigin() const;
	void ForgetMembers();
	void HangMembersOnOrigin();

	unsigned id;
	tw::unordered_vector<unsigned> members;
	tw::hash_map<unsigned, MemberRecord> records;
	unsigned originId = 0;
	// Message walks of this group under way, and whether it was destroyed during one.
	unsigned deliveries = 0;
	bool destroyedDuringDelivery = false;
};
