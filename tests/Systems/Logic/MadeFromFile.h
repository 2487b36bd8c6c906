// Objects made as a level or the level editor makes them, from an archetype file or a group file,
// for the tests of what becomes of them in a shipped level.
#pragma once

#include "Archetype.h"
#include "Components/Physics/Body.h"
#include "Message.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Serializer.h"

#include <string>
#include <vector>

namespace test
{
	enum class MadeFrom
	{
		kArchetype,
		kGroup,
	};

	// Makes and starts the archetype's object, its centre at the point, or the group's objects, its
	// origin at the point; the ids of those with a body (none when the file cannot be read).
	inline std::vector<unsigned> MakeFromFile(const std::string& file, MadeFrom kind, const Tuple3f& at)
	{
		std::vector<unsigned> made;
		if (kind == MadeFrom::kArchetype)
		{
			const Object object = CreateObjectFromArchetype(file);
			if (object.IsDummy())
				return made;
			object.object->Start();
			object.SendMessage(Message("SetPos").Push(at));
			made.push_back(object.id);
			return made;
		}
		Serializer serializer;
		if (!serializer.LoadFile(file))
			return made;
		ObjectGroup* group = ObjectGroup::Create();
		group->Load(serializer, -1);
		group->GetOriginObject().SendMessage(Message("SetPos").Push(at));
		group->StartAll();
		for (unsigned id : group->GetMembers())
			if (ObjectFromId(id).object->GetComponent<Body>() != nullptr)
				made.push_back(id);
		return made;
	}
}
