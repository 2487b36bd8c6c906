#include "Components/Graphics/Billboard.h"

#include "Components/Graphics/Skybox.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Matrix4.h"

#include <cmath>

namespace
{
	// How far from 1 the length of the facing quaternion may be before it counts as undefined.
	constexpr float kUnitTolerance = 1e-4f;

	// Normalised unless it is the zero vector.
	Tuple3f NormalizedOrZero(const Tuple3f& v)
	{
		return v.LengthSquared() > 0.0f ? v.Normalize() : v;
	}
}

bool Billboard::Load(Serializer& serializer)
{
	followAxes = Tuple3<bool>(true, true, true);
	serializer.Read(relativeRotation);
	owner->RegisterHandler("SetRot", &Billboard::OnSetRot);
	owner->RegisterHandler("SetAxes", &Billboard::OnSetAxes);
	return true;
}

bool Billboard::Serialize(Serializer& serializer)
{
	serializer.Write("relative rotation", relativeRotation);
	return true;
}

bool Billboard::Start()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Billboards().PushBack(this);
	return true;
}

void Billboard::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Billboards().Remove(this);
}

bool Billboard::Update()
{
	Transform* transform = owner->GetComponent<Transform>();
	const Graphics* graphics = Graphics::Find();
	if (transform == nullptr || graphics == nullptr)
		return true;
	const Tuple3f position = transform->GetWorldPosition();
	const bool sky = owner->GetComponent<Skybox>() != nullptr;
	const std::optional<Quaternion> facing = FacingOrientation(sky ? -position : graphics->GetEyePosition() - position);
	if (facing)
		transform->SetWorldOrientation(QuaternionFromRotationVector(QuaternionToRotationVector(*facing)));
	else
		tw::Diagnostics::Report("Billboard of object \"" + owner->GetName() +
			"\": the eye is straight above or below it, the orientation is kept");
	return true;
}

std::optional<Quaternion> Billboard::FacingOrientation(const Tuple3f& toEye) const
{
	Tuple3f f(followAxes.x ? toEye.x : 0.0f, followAxes.y ? toEye.y : 0.0f, followAxes.z ? toEye.z : 0.0f);
	f = f.LengthSquared() > 0.0f ? f.Normalize() : Tuple3f(0.0f, 0.0f, 1.0f);
	Tuple3f r;
	r = NormalizedOrZero(r.CrossProduct(f, Tuple3f(0.0f, 1.0f, 0.0f)));
	// Facing straight up or down leaves no right-hand direction, so there is no basis to turn to.
	if (r.LengthSquared() == 0.0f)
		return std::nullopt;
	Tuple3f u;
	u = NormalizedOrZero(u.CrossProduct(r, f));
	Matrix4 facing = Matrix4::Identity();
	const Tuple3f columns[3] = {r, u, -f};
	for (int column = 0; column < 3; ++column)
	{
		facing.At(0, column) = columns[column].x;
		facing.At(1, column) = columns[column].y;
		facing.At(2, column) = columns[column].z;
	}
	const float angle = static_cast<float>(relativeRotation.Length());
	const Matrix4 relative = angle > 0.0f ? Matrix4::FromAxisAngle(relativeRotation / angle, angle) : Matrix4::Identity();
	const Matrix4 m = facing * relative;
	const Quaternion q = QuaternionFromRotationMatrix(m);
	// A turn that went wrong has a length of NaN or far from 1; an exact test of 1 would also
	// refuse good turns that rounding leaves a few units in the last place off.
	const float length = static_cast<float>(q.Length());
	if (!(std::fabs(length - 1.0f) <= kUnitTolerance))
		return std::nullopt;
	return q;
}

void Billboard::OnSetRot(Message::Reader reader)
{
	reader.Read(relativeRotation);
}

void Billboard::OnSetAxes(Message::Reader reader)
{
	reader.Read(followAxes);
}
