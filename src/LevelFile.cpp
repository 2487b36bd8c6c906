#include "LevelFile.h"

#include "Composition.h"
#include "Engine.h"
#include "LoadingViewPace.h"
#include "Message.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Serializer.h"

#include <iostream>

namespace
{
	// The depth of a level's group elements: objects written in them are the level's own, objects
	// spliced in from a group file stand deeper and are inherited.
	constexpr int kGroupBaseDepth = 1;
}

LevelFile::LevelFile(std::string& nextLevel, std::string& previousLevel, GroupNames& groupNames, unsigned& savedDefaultGroup)
	: nextLevel(nextLevel), previousLevel(previousLevel), groupNames(groupNames), savedDefaultGroup(savedDefaultGroup)
{
}

void LevelFile::Clear()
{
	ObjectGroup::DestroyAll();
	DestroyAllObjects();
	groupNames.clear();
	savedDefaultGroup = 0;
	LoadingViewPace::DrawNow();
}

bool LevelFile::Load(const std::string& levelName)
{
	return LoadWith(levelName, [&](Serializer& serializer) { return serializer.LoadFile(levelName); });
}

bool LevelFile::Load(const OpenedFile& file, const std::string& levelName)
{
	return LoadWith(levelName, [&](Serializer& serializer) { return serializer.LoadOpenedFile(file, levelName); });
}

bool LevelFile::LoadWith(const std::string& levelName, const std::function<bool(Serializer&)>& read)
{
	Clear();
	Serializer serializer;
	if (!read(serializer))
		return false;
	if (!serializer.HasMore())
	{
		std::cerr << "Level '" << levelName << "': holds nothing; no objects were created\n";
		return false;
	}
	LoadingViewPace::DrawWhenDue();
	// By position, whatever the values are named.
	nextLevel = serializer.ReadString();
	previousLevel = serializer.ReadString();

	// The file's last group is the default group it was saved from; it loads as a new group.
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		ObjectGroup* group = ObjectGroup::Create();
		if (const char* groupFile = serializer.PeekValue())
			groupNames[group->GetId()] = groupFile;
		group->Load(serializer, kGroupBaseDepth);
		savedDefaultGroup = group->GetId();
		serializer.LeaveNode();
		LoadingViewPace::DrawWhenDue();
	}

	ProcessObjectChanges();
	LoadingViewPace::DrawWhenDue();
	for (Object object = FirstObject(); !object.IsDummy(); object = NextObject(object))
		object.object->Start();
	LoadingViewPace::DrawWhenDue();
	Engine::SendMessage(Message("LevelLoaded"));
	LoadingViewPace::DrawNow();
	return true;
}

bool LevelFile::Save(const std::string& fileName) const
{
	Serializer serializer;
	Write(serializer);
	return serializer.SaveFile(fileName);
}

bool LevelFile::Save(const OpenedFolder& folder, const std::string& fileName) const
{
	Serializer serializer;
	Write(serializer);
	return serializer.SaveFile(folder, fileName);
}

void LevelFile::Write(Serializer& serializer) const
{
	serializer.Write("nextLevel", nextLevel);
	serializer.Write("prevLevel", previousLevel);
	// In creation order, so that a loaded level saves its groups in its own order: the group
	// table walks newest first, which would reverse them at every save.
	unsigned lastWritten = 0;
	for (ObjectGroup* group : ObjectGroup::InCreationOrder())
		if (!group->GetMembers().empty())
		{
			SaveGroup(serializer, *group);
			lastWritten = group->GetId();
		}
	// The group loaded from the file's last element is the default group it was saved from. While
	// it still ends the file and the running default group adds nothing, it stands for that group:
	// another empty default group after it would make every save of a loaded level one group longer.
	const bool savedDefaultEndsFile = savedDefaultGroup != 0 && lastWritten == savedDefaultGroup;
	if (!savedDefaultEndsFile || ObjectGroup::Default().WritesAnything())
		SaveGroup(serializer, ObjectGroup::Default());
	serializer.Rewind();
	// Destructions wait for the frame's end: a save runs inside message handlers (the editor's
	// "SaveLevel"), and an object queued for destruction may be the one whose handler is running.
}

void LevelFile::SaveGroup(Serializer& serializer, ObjectGroup& group) const
{
	const auto found = groupNames.find(group.GetId());
	const std::string groupFile = found != groupNames.end() ? found->second : std::string();
	serializer.EnterNode(groupFile, "ObjectGroup");
	if (!groupFile.empty())
		serializer.SkipNode();
	group.Save(serializer);
	serializer.LeaveNode();
}
