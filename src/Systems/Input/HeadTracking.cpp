#include "Systems/Input/HeadTracking.h"

#include "Components/Graphics/Camera.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Input.h"
#include "Utilities/MathCommon.h"
#include "Utilities/Timer.h"

#include <cmath>
#include <limits>

namespace
{
	// Where the head starts: two screen heights in front of the screen.
	constexpr Tuple3<float> kStartHead{0.0f, 0.0f, -2.0f};

	// An older previous sample is stale: the head is taken as the new reference without moving.
	constexpr std::uint32_t kStaleMilliseconds = 500;

	Input* InputSystem()
	{
		Engine* engine = Engine::Instance();
		return engine ? engine->GetSystem<Input>() : nullptr;
	}

	Camera* ActiveCamera()
	{
		Engine* engine = Engine::Instance();
		const Graphics* graphics = engine ? engine->GetSystem<Graphics>() : nullptr;
		return graphics ? graphics->GetActiveCamera() : nullptr;
	}

	// The heaviest dot (the first of equal ones), taken out of the list.
	Tuple3<float> TakeHeaviest(tw::unordered_vector<Tuple3<float>>& dots)
	{
		std::size_t heaviest = 0;
		float weight = -std::numeric_limits<float>::max();
		for (std::size_t index = 0; index < dots.size(); ++index)
			if (dots[index].z > weight)
			{
				weight = dots[index].z;
				heaviest = index;
			}
		const Tuple3<float> dot = dots[heaviest];
		dots.erase(dots.begin() + static_cast<std::ptrdiff_t>(heaviest));
		return dot;
	}

	bool IsFiniteTuple(const Tuple3<float>& value)
	{
		return std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z);
	}
}

HeadTracking::HeadTracking() : lastDotTime(GetElapsedMilliseconds())
{
}

bool HeadTracking::Load(Serializer& serializer)
{
	serializer.Read(eyeDist).Read(screenHeight).Read(camVertAngle).Read(camFOV).Read(camHeight);
	camFOV = static_cast<float>(camFOV * kDegreesToRadians);
	movementScaling = 1.0f;
	if (serializer.HasMore())
		serializer.Read(movementScaling);
	return true;
}

bool HeadTracking::Serialize(Serializer& serializer)
{
	serializer.Write("eyeDist", eyeDist)
		.Write("screenHeight", screenHeight)
		.Write("camVertAngle", camVertAngle)
		.Write("camFOV", static_cast<float>(camFOV * kRadiansToDegrees))
		.Write("camHeight", camHeight)
		.Write("movementScaling", movementScaling);
	return true;
}

bool HeadTracking::Start()
{
	lastHead = kStartHead;
	lastDotTime = 0;
	if (owner != nullptr)
		owner->RegisterHandler("AddIRDot", &HeadTracking::OnAddIRDot);
	if (Input* input = InputSystem())
		input->SetHeadTracker(this);
	return true;
}

bool HeadTracking::Update()
{
	if (dots.size() < 2)
	{
		dots.clear();
		return true;
	}
	dotA = TakeHeaviest(dots);
	dotB = TakeHeaviest(dots);
	dots.clear();
	if (dotA.x > dotB.x)
		std::swap(dotA, dotB);

	const Tuple3<float> head = HeadPosition();
	// Coincident dots, a camFOV or screenHeight of 0 give no distance: nothing moves, and the
	// previous sample stays the reference, so the next good one is not a jump from infinity.
	if (!IsFiniteTuple(head))
		return true;
	const std::uint32_t now = GetElapsedMilliseconds();
	if (now - lastDotTime < kStaleMilliseconds)
		MoveBy(head);
	lastHead = head;
	lastDotTime = now;
	return true;
}

Tuple3<float> HeadTracking::HeadPosition() const
{
	const double dx = dotA.x - dotB.x;
	const double dy = dotA.y - dotB.y;
	const double pointDist = std::sqrt(dx * dx + dy * dy);
	const double angle = pointDist * camFOV * 0.5;
	const double headDist = (eyeDist * 0.5) / std::tan(angle) / screenHeight;
	const double averageX = (dotA.x + dotB.x) * 0.5;
	const double averageY = (dotA.y + dotB.y) * 0.5;
	const double headX = std::sin(averageX * camFOV) * headDist;
	const double offset = camVertAngle < 0.0f ? 0.5 : -0.5;
	const double headY = std::sin(camVertAngle + averageY * camFOV) * headDist + offset;
	return Tuple3<float>(static_cast<float>(movementScaling * headX), static_cast<float>(movementScaling * headY),
		static_cast<float>(movementScaling * headDist));
}

void HeadTracking::MoveBy(const Tuple3<float>& head) const
{
	const Camera* camera = ActiveCamera();
	Transform* transform = owner->GetComponent<Transform>();
	if (camera == nullptr || transform == nullptr)
		return;
	// Height changes of the head are not followed.
	const Tuple3<float> change(head.x - lastHead.x, 0.0f, head.z - lastHead.z);
	const Tuple3<float>& right = camera->GetRight();
	const Tuple3<float>& up = camera->GetUp();
	const Tuple3<float>& direction = camera->GetDirection();
	const auto dot = [&change](const Tuple3<float>& row) { return row.x * change.x + row.y * change.y + row.z * change.z; };
	const Tuple3<float> displacement(dot(right), dot(up), -dot(direction));
	const Tuple3<float> position = transform->GetWorldPosition();
	transform->SetWorldPosition(Tuple3<float>(position.x + displacement.x, position.y + displacement.y, position.z + displacement.z));
}

void HeadTracking::OnAddIRDot(Message::Reader reader)
{
	const float first = reader.Read<float>();
	const float second = reader.Read<float>();
	const float third = reader.Read<float>();
	dots.push_back(Tuple3<float>(third, second, first));
}

void HeadTracking::Detach()
{
	if (Input* input = InputSystem())
		input->SetHeadTracker(nullptr);
}
