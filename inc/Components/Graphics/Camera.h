// Camera: turns its object into a viewpoint. It keeps an orthonormal view basis, an eye offset
// from the object, a field of view that eases toward a target within limits, clip distances and
// pitch limits. The Graphics system renders through the camera started last; its Update loads the
// projection and model-view matrices of the frame. Scripts see it as class "Camera".
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Tuple.h"

struct __CameraName
{
	static constexpr const char* name = "Camera";
};

class Camera : public ComponentBase<Camera, __CameraName>
{
public:
	// The ten values (field-of-view values relative to the Graphics system's base, pitch limits in
	// degrees); binds the camera's messages.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Joins the camera list, rebuilds the basis and makes the field-of-view values absolute.
	bool Start() override;
	// Eases the field of view, then loads the projection and the model-view matrix.
	bool Update() override;
	void Detach() override;

	// The owner's world position plus the offset scaled by the owner's Transform scale.
	Tuple3f GetEyePosition() const;
	// Moves the owner (by "SetPos") so that the eye comes to the position: the owner goes to the
	// position less the scaled offset.
	void SetEyePosition(const Tuple3f& eye);
	// Columns right, up, -direction and the eye.
	const Matrix4& GetWorldMatrix();
	// World to view space, the matrix gluLookAt builds: rows right, up, -direction, and the
	// translation -R eye, so a point p maps to R (p - eye).
	const Matrix4& GetViewMatrix();
	void RotateAboutY(float angle);
	// Turns the direction up by the angle, stopping at the pitch limits.
	void Pitch(float angle);

	const Tuple3f& GetDirection() const { return direction; }
	const Tuple3f& GetUp() const { return up; }
	const Tuple3f& GetRight() const { return right; }
	// The eye offset from the owner, as "SetCameraOffset" last set it.
	const Tuple3f& GetOffset() const { return offset; }
	// Script properties write these unchanged, without rebuilding the basis.
	void SetDirection(const Tuple3f& value) { direction = value; }
	void SetUp(const Tuple3f& value) { up = value; }
	void SetRight(const Tuple3f& value) { right = value; }
	float GetFieldOfView() const { return fieldOfView; }
	float GetTargetFieldOfView() const { return targetFieldOfView; }
	float GetNearClip() const { return nearClip; }
	float GetFarClip() const { return farClip; }

private:
	// right = direction x (0, 1, 0), up = right x direction, all three normalised; along the up
	// axis right keeps its level direction (the world x axis when it has none).
	void RebuildBasis();

	void OnMove(Message::Reader reader);
	void OnRotY(Message::Reader reader);
	void OnRotRight(Message::Reader reader);
	void OnSetPos(Message::Reader reader);
	void OnSetDir(Message::Reader reader);
	void OnMoveInWorld(Message::Reader reader);
	void OnAdjustFOVPercent(Message::Reader reader);
	void OnNarrowFOV(Message::Reader reader);
	void OnSetDeltaFOV(Message::Reader reader);
	void OnSetFOVPercent(Message::Reader reader);
	void OnSetCameraOffset(Message::Reader reader);

	Tuple3f direction;
	Tuple3f up;
	Tuple3f right;
	Tuple3f offset;
	// Degrees.
	float baseFieldOfView = 0.0f;
	float minimumFieldOfView = 0.0f;
	float fieldOfView = 0.0f;
	float targetFieldOfView = 0.0f;
	float maximumFieldOfView = 0.0f;
	float maximumChangePerFrame = 0.0f;
	float nearClip = 0.0f;
	float farClip = 0.0f;
	// Radians.
	float maximumPitch = 0.0f;
	float minimumPitch = 0.0f;
	Matrix4 worldMatrix;
	Matrix4 viewMatrix;
};
