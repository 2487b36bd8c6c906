#include "Components/Logic/CameraAim.h"

#include "Components/Graphics/Camera.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/Physics.h"

std::optional<CameraAim> CameraAim::Active()
{
	const Graphics* graphics = Graphics::Find();
	const Camera* camera = graphics != nullptr ? graphics->GetActiveCamera() : nullptr;
	if (camera == nullptr)
		return std::nullopt;
	return CameraAim{camera->GetEyePosition(), camera->GetDirection().Normalize()};
}

bool CameraAim::Cast(RigidBody*& body, Tuple3f& point) const
{
	RigidBody* hitBody = nullptr;
	Tuple3f hitPoint;
	if (!Physics::RayCast(eye, direction, &hitBody, &hitPoint) || hitBody == nullptr)
		return false;
	body = hitBody;
	point = hitPoint;
	return true;
}
