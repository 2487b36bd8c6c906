#include "Archetype.h"

#include "Composition.h"
#include "ObjectGroup.h"
#include "Serializer.h"

#include <iostream>

Object CreateObjectFromArchetype(const std::string& fileName)
{
	Serializer serializer;
	if (!serializer.LoadFile(fileName))
		return ObjectFromId(0);
	if (!serializer.HasMore())
	{
		std::cerr << "Archetype '" << fileName << "': holds nothing; no object was created\n";
		return ObjectFromId(0);
	}
	const Object object = CreateObject(serializer.ReadString());
	if (ObjectGroup* group = object.object->GetGroup())
		group->SetRecord(object.id, ObjectGroup::MemberRecord(false, fileName));
	// Below every depth: each component counts as coming from the file.
	object.object->Load(serializer, -1);
	return object;
}
