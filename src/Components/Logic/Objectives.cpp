#include "Components/Logic/Objectives.h"

#include "Composition.h"
#include "Engine.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/Diagnostics.h"

#include <algorithm>

Objectives::Objectives() : completeTime(Logic::GameMilliseconds())
{
}

bool Objectives::Load(Serializer& serializer)
{
	const std::string where = DescribeComponent(*owner, __ObjectivesName::name);
	serializer.EnterNode("", "");
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		const std::string text = serializer.ReadString();
		const std::string recipient = serializer.ReadString();
		std::uint32_t delay = 0;
		if (serializer.HasValue())
			serializer.Read(delay);
		serializer.LeaveNode();
		achieved.push_back(AchievedMessage{recipient, RelayMsg(text, where), delay});
	}
	serializer.LeaveNode();

	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		const std::string messageName = serializer.ReadString();
		Objective goal;
		serializer.Read(goal.archetype);
		if (serializer.HasValue())
			serializer.Read(goal.hitsRequired);
		if (serializer.HasValue())
			serializer.Read(goal.description);
		if (serializer.HasValue())
			serializer.Read(goal.optional);
		if (serializer.HasValue())
			serializer.Read(goal.hidden);
		if (serializer.HasValue())
			serializer.Read(goal.showCounter);
		serializer.LeaveNode();
		if (!goals.Add(messageName, goal))
			tw::Diagnostics::Report(where + ": a second goal \"" + messageName + "\" is dropped; the first one stays");
	}
	return true;
}

bool Objectives::Serialize(Serializer& serializer)
{
	serializer.EnterNode("", "Messages");
	for (const AchievedMessage& record : achieved)
	{
		serializer.EnterNode("", "AchievedMessage");
		serializer.Write("Message", record.message.rawData);
		serializer.Write("Recipient", record.recipient);
		serializer.Write("Delay", record.delay);
		serializer.LeaveNode();
	}
	serializer.LeaveNode();
	for (const auto& [messageName, goal] : goals.Entries())
	{
		serializer.EnterNode("", "Objective");
		serializer.Write("messageName", messageName);
		serializer.Write("archetype", goal.archetype);
		serializer.Write("hitsRequired", goal.hitsRequired);
		serializer.Write("description", goal.description);
		serializer.Write("optional", goal.optional);
		serializer.Write("hidden", goal.hidden);
		serializer.Write("showCounter", goal.showCounter);
		serializer.LeaveNode();
	}
	return true;
}

bool Objectives::Start()
{
	allComplete = false;
	countingStopped = false;
	if (Engine* engine = Engine::Instance())
		engine->AddListener("LevelLoaded", owner->GetId(), &Objectives::OnLevelLoaded);
	return true;
}

void Objectives::OnLevelLoaded(Message::Reader)
{
	for (const auto& [messageName, goal] : goals.Entries())
		for (unsigned id : ObjectIdsByName(goal.archetype))
			ObjectFromId(id).object->RegisterHandler(messageName, &Objectives::OnGoal, owner->GetId());
}

void Objectives::OnGoal(Message::Reader reader)
{
	if (countingStopped || ObjectFromId(reader.objectId).IsDummy())
		return;
	Objective* goal = goals.Find(reader.name);
	if (goal == nullptr)
		return;
	HandleUnlessNested(goal->counting, *owner, __ObjectivesName::name, reader.name, [&] { CountHit(reader.name, *goal); });
}

void Objectives::CountHit(const std::string& name, Objective& goal)
{
	++goal.count;
	owner->HandleMessage(Message("ObjectiveProgress").PushString(name).PushU32(goal.count).PushU32(goal.hitsRequired));
	if (goal.count >= goal.hitsRequired)
	{
		goal.hidden = true;
		owner->HandleMessage(Message("ObjectiveComplete").PushString(name).PushU32(goal.hitsRequired).PushBool(goal.optional));
		Objective* death = goals.Find("Death");
		if (name == "CastleDestroyed" && death != nullptr)
		{
			death->hidden = false;
			ObjectFromName("PlayerHudObj").SendMessage(Message("AddHudObjective").PushString("Death"));
		}
	}
	// Only a goal message runs the test, so a level whose goals are met from the start never completes.
	if (RequiredGoalsMet())
	{
		owner->HandleMessage(Message("AllObjectivesComplete"));
		allComplete = true;
		completeTime = Logic::GameMilliseconds();
	}
}

bool Objectives::RequiredGoalsMet() const
{
	for (const auto& [messageName, goal] : goals.Entries())
		if (!goal.optional && goal.count < goal.hitsRequired)
			return false;
	return true;
}

bool Objectives::OwesMessages() const
{
	return allComplete && std::any_of(achieved.begin(), achieved.end(), [](const AchievedMessage& record) { return !record.sent; });
}

bool Objectives::Update()
{
	if (!allComplete)
		return true;
	for (AchievedMessage& record : achieved)
	{
		if (record.sent || Logic::GameMilliseconds() - completeTime < record.delay)
			continue;
		record.sent = true;
		const Message* message = record.message.GetMessage();
		if (message == nullptr)
			continue;
		const Object recipient = ObjectFromName(record.recipient);
		if (recipient.IsDummy())
			Engine::SendMessage(*message);
		else
			recipient.object->HandleMessage(*message);
	}
	return true;
}

void Objectives::Detach()
{
	// Id 0 is the "Dummy" object's, and dropping by 0 would drop every handler of the watched objects.
	if (owner->GetId() == 0)
		return;
	for (const auto& [messageName, goal] : goals.Entries())
		for (unsigned id : ObjectIdsByName(goal.archetype))
			ObjectFromId(id).object->DropHandlers(owner->GetId());
}
