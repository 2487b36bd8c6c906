#include "Components/Graphics/ConnectionReader.h"

#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Serializer.h"
#include "Systems/Physics/Physics.h"

namespace
{
	// Below this the anchors give no usable direction.
	constexpr double kShortestConnection = 0.0001;
}

ConnectionPhysics& ConnectionReader::Physics()
{
	static ConnectionPhysics hooks;
	return hooks;
}

ResolutionManager* ConnectionReader::Resolution()
{
	const Engine* engine = Engine::Instance();
	::Physics* physics = engine != nullptr ? engine->GetSystem<::Physics>() : nullptr;
	return physics != nullptr ? &physics->GetResolution() : nullptr;
}

ConnectionReader::ConnectionReader(const ConnectionReader& other) : ComponentBase(other), radius(other.radius)
{
}

bool ConnectionReader::Load(Serializer& serializer)
{
	serializer.Read(radius);
	return true;
}

bool ConnectionReader::Serialize(Serializer& serializer)
{
	serializer.Write("radius", radius);
	return true;
}

bool ConnectionReader::Start()
{
	postStepLink.component = this;
	if (ResolutionManager* resolution = Resolution())
		resolution->postStepComponents.Append(postStepLink);
	if (Physics().makeGhost != nullptr)
		Physics().makeGhost(*owner);
	return true;
}

void ConnectionReader::Detach()
{
	if (ResolutionManager* resolution = Resolution())
		resolution->postStepComponents.Remove(postStepLink);
}

bool ConnectionReader::Update()
{
	const ConnectionPhysics& physics = Physics();
	Transform* transform = owner->GetComponent<Transform>();
	Tuple3f first;
	Tuple3f second;
	if (transform == nullptr || physics.findDistanceAnchors == nullptr || !physics.findDistanceAnchors(*owner, first, second))
		return true;
	const Placement placement = Follow(first, second, radius);
	transform->SetWorldOrientation(placement.orientation);
	transform->SetWorldPosition(placement.position);
	transform->SetScale(placement.scale);
	if (physics.followTransform != nullptr)
		physics.followTransform(*owner);
	return true;
}

ConnectionReader::Placement ConnectionReader::Follow(const Tuple3f& first, const Tuple3f& second, float radius)
{
	const Tuple3f difference = first - second;
	const double length = difference.Length();
	const float divisor = length < kShortestConnection ? 1.0f : static_cast<float>(length);
	Placement placement;
	placement.orientation = QuaternionFromTo(Tuple3f(0.0f, 1.0f, 0.0f), difference / divisor);
	placement.position = first + (second - first) * 0.5f;
	placement.scale = Tuple3f(radius * 0.5f, static_cast<float>(length), radius * 0.5f);
	return placement;
}
