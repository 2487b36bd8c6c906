#include "Components/Graphics/Camera.h"

#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Utilities/MathCommon.h"
#include "Systems/Graphics/Graphics.h"
#include "Utilities/v8/ScriptTuples.h"
#include "Utilities/TypeId.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace
{
	constexpr float kHalfPi = 1.5707963705062866f;
	constexpr float kFieldOfViewTolerance = 0.001f;

	[[maybe_unused]] const bool cameraScriptClassRegistered = [] {
		JSObject<Camera>::Bind("Camera", 0)
			.AddAccessor("dir", &Camera::GetDirection, &Camera::SetDirection)
			.AddAccessor("up", &Camera::GetUp, &Camera::SetUp)
			.AddAccessor("right", &Camera::GetRight, &Camera::SetRight);
		return true;
	}();


	Tuple3f ReadTuple(Message::Reader& reader)
	{
		const float x = reader.Read<float>();
		const float y = reader.Read<float>();
		const float z = reader.Read<float>();
		return Tuple3f(x, y, z);
	}
}

bool Camera::Load(Serializer& serializer)
{
	serializer.Read(direction)
		.Read(minimumFieldOfView)
		.Read(fieldOfView)
		.Read(maximumFieldOfView)
		.Read(maximumChangePerFrame)
		.Read(nearClip)
		.Read(farClip)
		.Read(maximumPitch)
		.Read(minimumPitch)
		.Read(offset);
	targetFieldOfView = fieldOfView;
	baseFieldOfView = 0.0f;
	maximumPitch = static_cast<float>(maximumPitch * kDegreesToRadians);
	minimumPitch = static_cast<float>(minimumPitch * kDegreesToRadians);
	owner->RegisterHandler("Move", &Camera::OnMove);
	owner->RegisterHandler("RotY", &Camera::OnRotY);
	owner->RegisterHandler("RotRight", &Camera::OnRotRight);
	owner->RegisterHandler("SetPos", &Camera::OnSetPos);
	owner->RegisterHandler("SetDir", &Camera::OnSetDir);
	owner->RegisterHandler("MoveInWorld", &Camera::OnMoveInWorld);
	owner->RegisterHandler("AdjustFOVPercent", &Camera::OnAdjustFOVPercent);
	owner->RegisterHandler("NarrowFOV", &Camera::OnNarrowFOV);
	owner->RegisterHandler("SetDeltaFOV", &Camera::OnSetDeltaFOV);
	owner->RegisterHandler("SetFOVPercent", &Camera::OnSetFOVPercent);
	owner->RegisterHandler("SetCameraOffset", &Camera::OnSetCameraOffset);
	return true;
}

bool Camera::Serialize(Serializer& serializer)
{
	serializer.Write("direction", direction);
	serializer.Write("relative minimum FOV", minimumFieldOfView - baseFieldOfView);
	serializer.Write("relative field of view angle", fieldOfView - baseFieldOfView);
	serializer.Write("relative maximum FOV", maximumFieldOfView - baseFieldOfView);
	serializer.Write("maximum change in FOV per frame", maximumChangePerFrame);
	serializer.Write("near clip distance", nearClip);
	serializer.Write("far clip distance", farClip);
	serializer.Write("maximum pitch", static_cast<float>(maximumPitch * kRadiansToDegrees));
	serializer.Write("minimum pitch", static_cast<float>(minimumPitch * kRadiansToDegrees));
	serializer.Write("offset", offset);
	return true;
}

bool Camera::Start()
{
	Graphics* graphics = Graphics::Find();
	if (graphics != nullptr)
		graphics->AddCamera(owner->GetId());
	RebuildBasis();
	// The angles are relative to the base until the first start; a second start only moves them
	// to a changed base, instead of adding the base again.
	const float base = graphics != nullptr ? graphics->GetBaseFOV() : 0.0f;
	const float shift = base - baseFieldOfView;
	baseFieldOfView = base;
	maximumFieldOfView += shift;
	fieldOfView += shift;
	minimumFieldOfView += shift;
	targetFieldOfView = fieldOfView;
	return true;
}

bool Camera::Update()
{
	const float difference = targetFieldOfView - fieldOfView;
	if (std::fabs(difference) > kFieldOfViewTolerance)
	{
		fieldOfView += std::clamp(difference, -maximumChangePerFrame, maximumChangePerFrame);
		fieldOfView = std::min(fieldOfView, maximumFieldOfView);
		fieldOfView = std::max(fieldOfView, minimumFieldOfView);
	}
	const Graphics* graphics = Graphics::Find();
	const double aspect = graphics != nullptr && graphics->GetScreenHeight() != 0
		? static_cast<double>(graphics->GetScreenWidth()) / graphics->GetScreenHeight()
		: 1.0;
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	gluPerspective(fieldOfView, aspect, nearClip, farClip);
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
	const Tuple3f eye = GetEyePosition();
	const Tuple3f centre = eye + direction;
	gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, up.x, up.y, up.z);
	return true;
}

void Camera::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->RemoveCamera(owner->GetId());
}

Tuple3f Camera::GetEyePosition() const
{
	const Transform* transform = owner != nullptr ? owner->GetComponent<Transform>() : nullptr;
	if (transform == nullptr)
		return offset;
	const Tuple3f& scale = transform->GetScale();
	return transform->GetWorldPosition() + Tuple3f(offset.x * scale.x, offset.y * scale.y, offset.z * scale.z);
}

void Camera::SetEyePosition(const Tuple3f& eye)
{
	// The eye is the object's position plus the offset scaled by the object's scale, so the same
	// scaled offset is taken off (taking off the bare offset put a scaled object's eye elsewhere).
	const Transform* transform = owner->GetComponent<Transform>();
	const Tuple3f scale = transform != nullptr ? transform->GetScale() : Tuple3f(1.0f, 1.0f, 1.0f);
	Message message("SetPos");
	message.Push(eye - Tuple3f(offset.x * scale.x, offset.y * scale.y, offset.z * scale.z));
	owner->HandleMessage(message);
}

const Matrix4& Camera::GetWorldMatrix()
{
	const Tuple3f eye = GetEyePosition();
	const Tuple3f columns[4] = {right, up, direction * -1.0f, eye};
	worldMatrix = Matrix4::Identity();
	for (int column = 0; column < 4; ++column)
		for (int row = 0; row < 3; ++row)
			worldMatrix.At(row, column) = columns[column][row];
	return worldMatrix;
}

const Matrix4& Camera::GetViewMatrix()
{
	const Tuple3f eye = GetEyePosition();
	const Tuple3f rows[3] = {right, up, direction * -1.0f};
	viewMatrix = Matrix4::Identity();
	for (int row = 0; row < 3; ++row)
	{
		for (int column = 0; column < 3; ++column)
			viewMatrix.At(row, column) = rows[row][column];
		viewMatrix.At(row, 3) = -rows[row].DotProduct(eye);
	}
	return viewMatrix;
}

void Camera::RotateAboutY(float angle)
{
	direction = Matrix4::FromAxisAngle(Tuple3f(0.0f, 1.0f, 0.0f), angle) * direction;
	RebuildBasis();
}

void Camera::Pitch(float angle)
{
	const float pitch = kHalfPi - std::acos(direction.y);
	if (pitch + angle > maximumPitch)
		angle = maximumPitch - pitch;
	if (minimumPitch > pitch + angle)
		angle = minimumPitch - pitch;
	direction = Matrix4::FromAxisAngle(right, angle) * direction;
	RebuildBasis();
}

void Camera::RebuildBasis()
{
	// No direction at all looks down the view axis.
	if (!(direction.Length() > kDivisorEpsilon))
		direction = Tuple3f(0.0f, 0.0f, -1.0f);
	const Tuple3f crossed = Cross(direction, Tuple3f(0.0f, 1.0f, 0.0f));
	// Looking straight up or down the cross product vanishes: the right the camera had still
	// stands (it is level, so perpendicular to the view), else the world's x axis.
	if (crossed.Length() > kDivisorEpsilon)
		right = crossed;
	else if (!(right.Length() > kDivisorEpsilon) || std::fabs(right.DotProduct(direction)) > kDivisorEpsilon)
		right = Tuple3f(1.0f, 0.0f, 0.0f);
	up = Cross(right, direction);
	direction.NormalizeThis();
	up.NormalizeThis();
	right.NormalizeThis();
}

void Camera::OnMove(Message::Reader reader)
{
	const Tuple3f move = ReadTuple(reader);
	SetEyePosition(GetEyePosition() + right * move.x + up * move.y - direction * move.z);
}

void Camera::OnRotY(Message::Reader reader)
{
	RotateAboutY(-reader.Read<float>());
}

void Camera::OnRotRight(Message::Reader reader)
{
	Pitch(-reader.Read<float>());
}

void Camera::OnSetPos(Message::Reader reader)
{
	// The camera's own "SetPos" to its object carries a Tuple3f, meant for the Transform.
	if (reader.CurrentTypeId() != tw::TypeIdOf<float>())
		return;
	SetEyePosition(ReadTuple(reader));
}

void Camera::OnSetDir(Message::Reader reader)
{
	direction = ReadTuple(reader);
	RebuildBasis();
}

void Camera::OnMoveInWorld(Message::Reader reader)
{
	SetEyePosition(GetEyePosition() + ReadTuple(reader));
}

void Camera::OnAdjustFOVPercent(Message::Reader reader)
{
	const float percent = std::clamp(reader.Read<float>(), 0.0f, 1.0f);
	targetFieldOfView = minimumFieldOfView + (maximumFieldOfView - minimumFieldOfView) * percent;
}

void Camera::OnNarrowFOV(Message::Reader)
{
	targetFieldOfView = minimumFieldOfView;
}

void Camera::OnSetDeltaFOV(Message::Reader reader)
{
	maximumChangePerFrame = reader.Read<float>();
}

void Camera::OnSetFOVPercent(Message::Reader reader)
{
	const float percent = reader.Read<float>();
	fieldOfView = targetFieldOfView = minimumFieldOfView + (maximumFieldOfView - minimumFieldOfView) * percent;
}

void Camera::OnSetCameraOffset(Message::Reader reader)
{
	offset = ReadTuple(reader);
}
