#include "Systems/Physics/DetectionManager.h"

#include "Components/Physics/GlobalConnection.h"

#include <algorithm>

void DetectionManager::Initialize()
{
	GlobalConnection::Register();
	InstallConnectionReaderPhysics();
}

void DetectionManager::AddCollider(Collider* collider)
{
	if (collider != nullptr && !IsQueued(collider))
		pendingColliders.push_back(collider);
}

void DetectionManager::RemoveCollider(Collider* collider)
{
	std::erase(pendingColliders, collider);
}

bool DetectionManager::IsQueued(const Collider* collider) const
{
	return std::find(pendingColliders.begin(), pendingColliders.end(), collider) != pendingColliders.end();
}
