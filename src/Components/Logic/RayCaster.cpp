#include "Components/Logic/RayCaster.h"

#include "Components/Logic/CameraAim.h"
#include "Systems/Physics/RigidBody.h"

bool RayCaster::Start()
{
	castThisFrame = false;
	return true;
}

bool RayCaster::Update()
{
	castThisFrame = false;
	return true;
}

void RayCaster::Cast()
{
	if (castThisFrame)
		return;
	castThisFrame = true;
	const std::optional<CameraAim> aim = CameraAim::Active();
	hit = aim && aim->Cast(hitBody, hitPoint);
	if (!hit)
		return;
	hitObject = hitBody->ownerId;
	offset = hitPoint - aim->eye;
}
