#include "Components/Logic/WinCollision.h"

#include "Components/Logic/PlayerDeath.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Serializer.h"

bool WinCollision::Load(Serializer& serializer)
{
	serializer.Read(winObj);
	return true;
}

bool WinCollision::Serialize(Serializer& serializer)
{
	serializer.Write("winObj", winObj);
	return true;
}

bool WinCollision::Start()
{
	owner->RegisterHandler("Collision", &WinCollision::OnCollision);
	return true;
}

void WinCollision::OnCollision(Message::Reader reader)
{
	const Object other = ObjectFromId(reader.Read<unsigned>());
	if (winObj.empty() || other.IsDummy() || other.object->GetName() != winObj)
		return;
	// A knocked-out player wins nothing: the level starts again.
	if (PlayerDeath::PlayerIsOut())
		return;
	if (Engine* engine = Engine::Instance())
		engine->RequestState(Engine::kChangeLevel);
}
