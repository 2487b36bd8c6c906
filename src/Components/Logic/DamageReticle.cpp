#include "Components/Logic/DamageReticle.h"

#include "Composition.h"
#include "Object.h"
#include "Serializer.h"

#include <locale>
#include <sstream>

bool DamageReticle::Load(Serializer& serializer)
{
	serializer.Read(timeShown);
	serializer.Read(hudElement);
	return true;
}

bool DamageReticle::Serialize(Serializer& serializer)
{
	serializer.Write("timeShown", timeShown);
	serializer.Write("hudElement", hudElement);
	return true;
}

bool DamageReticle::Start()
{
	owner->RegisterHandler("DamageTaken", &DamageReticle::OnDamageTaken);
	return true;
}

std::string DamageReticle::ScriptFor(const Tuple3f& position) const
{
	// The script reads "1.5", never "1,5", whatever locale the player runs.
	std::ostringstream text;
	text.imbue(std::locale::classic());
	text << "AddDamage(" << position.x << ", " << position.z << ", " << timeShown << "); void(0);";
	return text.str();
}

void DamageReticle::OnDamageTaken(Message::Reader reader)
{
	const Object hud = ObjectFromName(hudElement);
	if (hud.IsDummy())
		return;
	hud.object->HandleMessage(Message("CallJSFunction").PushString(ScriptFor(reader.Read<Tuple3f>())));
}
