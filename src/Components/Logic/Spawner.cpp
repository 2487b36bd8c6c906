#include "Components/Logic/Spawner.h"

#include "Archetype.h"
#include "Components/Logic/RelayMsg.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/v8/JSObject.h"
#include "Utilities/v8/ScriptTuples.h"

#include <cmath>

namespace
{
	[[maybe_unused]] const bool spawnerScriptClassRegistered = [] {
		JSObject<Spawner>::Bind("Spawner", 0)
			.AddMember("spawnDist", &Spawner::spawnDist)
			.AddMember("spawnDir", &Spawner::spawnDir)
			.AddMember("spawnInterval", &Spawner::spawnInterval);
		return true;
	}();

	bool IsUsableSpawnDirection(const Tuple3f& direction)
	{
		const double length = direction.Length();
		return std::isfinite(length) && !TupleMath::IsZeroLength<float>(length);
	}
}

Spawner::Spawner() : lastSpawnTime(Logic::GameMilliseconds())
{
}

bool Spawner::Load(Serializer& serializer)
{
	serializer.Read(spawnInterval);
	serializer.Read(spawnObj);
	serializer.Read(watchedObj);
	serializer.Read(spawnDist);
	serializer.Read(spawnDir);
	serializer.Read(maxSpawned);
	if (!IsUsableSpawnDirection(spawnDir))
		tw::Diagnostics::Report(DescribeComponent(*owner, __SpawnerName::name) +
			": \"spawnDir\" has no direction; objects are spawned at the spawner's position");
	owner->RegisterHandler("IncreaseSpawnerDestroyers", &Spawner::OnIncreaseSpawnerDestroyers);
	return true;
}

bool Spawner::Serialize(Serializer& serializer)
{
	serializer.Write("spawnInterval", spawnInterval);
	serializer.Write("spawnObj", spawnObj);
	serializer.Write("watchedObj", watchedObj);
	serializer.Write("spawnDist", spawnDist);
	serializer.Write("spawnDir", spawnDir);
	serializer.Write("maxSpawned", maxSpawned);
	return true;
}

bool Spawner::Start()
{
	spawnedCount = 0;
	owner->RegisterHandler("DestroySpawner", &Spawner::OnDestroySpawner);
	return true;
}

void Spawner::OnIncreaseSpawnerDestroyers(Message::Reader)
{
	destroyerCount = destroyerCount < 0 ? 1 : destroyerCount + 1;
}

void Spawner::OnDestroySpawner(Message::Reader)
{
	if (--destroyerCount <= 0)
		owner->Destroy();
}

void Spawner::OnSpawnedDestroyed(Message::Reader)
{
	if (spawnedCount > 0)
		--spawnedCount;
}

bool Spawner::Update()
{
	if (spawnedCount >= maxSpawned || Logic::GameMilliseconds() - lastSpawnTime < spawnInterval)
		return true;
	const Object watched = ObjectFromName(watchedObj);
	if (watched.IsDummy())
		return true;
	lastSpawnTime = Logic::GameMilliseconds();
	const Transform* own = owner->GetComponent<Transform>();
	const Transform* target = watched.object->GetComponent<Transform>();
	if (own == nullptr || target == nullptr)
		return true;
	const Tuple3f position = own->GetWorldPosition();
	if (spawnDist * spawnDist > (target->GetWorldPosition() - position).LengthSquared())
		Spawn(position);
	return true;
}

void Spawner::Spawn(const Tuple3f& spawnerPosition)
{
	const Object spawned = CreateObjectFromArchetype(spawnObj);
	if (spawned.IsDummy())
	{
		tw::Diagnostics::Report(DescribeComponent(*owner, __SpawnerName::name) + ": the archetype \"" + spawnObj + "\" gives no object");
		return;
	}
	spawned.object->Start();
	++spawnedCount;
	spawned.object->RegisterHandler("Destroyed", &Spawner::OnSpawnedDestroyed, owner->GetId());
	// Normalised here rather than at load, so that saving writes back the direction as read; a
	// direction of zero length would place the spawn at infinity and leaves it on the spot instead.
	const Tuple3f direction = IsUsableSpawnDirection(spawnDir) ? spawnDir.Normalize() : Tuple3f(0.0f, 0.0f, 0.0f);
	const Tuple3f position = spawnerPosition + direction * kSpawnOffset;
	spawned.object->HandleMessage(Message("SetPos").Push(position));
	const float angle = static_cast<float>(
		Tuple2f(spawnerPosition.x, spawnerPosition.z).AngleBetween(Tuple2f(position.x, position.z)));
	spawned.object->HandleMessage(Message("SetRot").Push(Tuple3f(0.0f, angle, 0.0f)));
}
