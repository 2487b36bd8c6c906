#include "Components/Logic/PowerUp.h"

#include "Composition.h"
#include "Object.h"
#include "Utilities/Diagnostics.h"

bool PowerUp::Load(Serializer& serializer)
{
	owner->RegisterHandler("Collision", &PowerUp::OnCollision);
	const std::string where = DescribeComponent(*owner, __PowerUpName::name);
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		const std::string team = serializer.ReadString();
		const std::string text = serializer.ReadString();
		serializer.LeaveNode();
		if (effects.Find(team) != nullptr)
			tw::Diagnostics::Report(where + ": a second effect for team \"" + team + "\" (\"" + text +
				"\") is dropped; the first one stays");
		else
			effects.Add(team, RelayMsg(text, where));
	}
	return true;
}

bool PowerUp::Serialize(Serializer& serializer)
{
	for (const auto& [team, effect] : effects.Entries())
	{
		serializer.EnterNode("", "");
		serializer.Write("it->first", team).Write("it->second.rawData", effect.rawData);
		serializer.LeaveNode();
	}
	return true;
}

void PowerUp::OnCollision(Message::Reader reader)
{
	if (delivered)
		return;
	const Object other = ObjectFromId(reader.Read<unsigned>());
	// The "Dummy" object would hand out the factory's prototype collector.
	if (other.IsDummy())
		return;
	const auto* collector = other.object->GetComponent<PowerUpCollector>();
	if (collector == nullptr)
		return;
	const RelayMsg* effect = effects.Find(collector->GetTeam());
	if (effect == nullptr)
		return;
	delivered = true;
	effect->SendTo(*other.object);
	owner->Destroy();
}

bool PowerUpCollector::Load(Serializer& serializer)
{
	serializer.Read(team);
	return true;
}

bool PowerUpCollector::Serialize(Serializer& serializer)
{
	serializer.Write("team", team);
	return true;
}
