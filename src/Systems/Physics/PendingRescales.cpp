#include "Systems/Physics/PendingRescales.h"

#include "Components/Transform.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>
#include <cstring>

namespace
{
	// Bit for bit: -0 and 0 or two NaNs are not the same input to the mass computation.
	template <typename Value>
	bool SameBits(const Value& a, const Value& b)
	{
		return std::memcmp(&a, &b, sizeof(Value)) == 0;
	}
}

void PendingRescales::Defer(RigidBody& body)
{
	if (!IsPending(body))
		pending.push_back(&body);
}

bool PendingRescales::IsCurrent(const RigidBody& body)
{
	const Tuple3f scale = body.transform != nullptr ? body.transform->GetScale() : Tuple3f(1.0f, 1.0f, 1.0f);
	if (!SameBits(body.massScale, scale))
		return false;
	const Tuple3f position = body.GetPosition();
	// The same inputs give the same matrices; only different ones (q and -q, say) need building.
	if (body.placed && SameBits(body.placedPosition, position) && SameBits(body.placedScale, scale) &&
		SameBits(body.placedOrientation, body.orientation))
		return true;
	return SameBits(body.transforms, ShapeTransforms::From(position, scale, body.orientation));
}

void PendingRescales::SettleAll()
{
	if (pending.empty())
		return;
	// Settling sends nothing that could defer again, but take the list first all the same.
	std::vector<RigidBody*> settling;
	settling.swap(pending);
	for (RigidBody* body : settling)
	{
		if (IsCurrent(*body))
			continue;
		body->ComputeMass(false);
		body->Wake();
		body->UpdateDerived();
	}
	settling.clear();
	if (pending.empty())
		pending.swap(settling);
}

void PendingRescales::Forget(const RigidBody& body)
{
	std::erase(pending, &body);
}

bool PendingRescales::IsPending(const RigidBody& body) const
{
	return std::find(pending.begin(), pending.end(), &body) != pending.end();
}

RescaleDeferral::RescaleDeferral(PendingRescales* rescales)
	: rescales(rescales)
{
	if (rescales != nullptr)
		rescales->SetDeferring(true);
}

RescaleDeferral::~RescaleDeferral()
{
	if (rescales == nullptr)
		return;
	rescales->SetDeferring(false);
	rescales->SettleAll();
}

void RescaleDeferral::SettleOutsideDeferral()
{
	rescales->SetDeferring(false);
	rescales->SettleAll();
	rescales->SetDeferring(true);
}
