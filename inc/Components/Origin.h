// Origin: the movable frame of an object group. The group's origin object carries one, and the
// Transform of every member hangs on it, so members are stored relative to the origin and follow
// it when it moves or turns. Its physics id prefixes the physics ids of the group's members.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <vector>

class Transform;

struct __OriginName
{
	static constexpr const char* name = "Origin";
};

class Origin : public ComponentBase<Origin, __OriginName>
{
public:
	Origin();
	// A copy has no transforms hanging on it.
	Origin(const Origin& other);
	Origin& operator=(const Origin&) = delete;
	~Origin() override;

	// "pos", then "rot" (a rotation vector in degrees), then "phyId" when present.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Registers "SetPos" and "SetRot" on its object.
	bool Start() override;
	bool Update() override;
	// The transforms hanging on the origin keep their world placement and lose their parent.
	void Detach() override;

	// Keeps the inverse rotation and both matrices in step; q is not normalised.
	void SetRotation(const Quaternion& q);
	Tuple3f GetRotationDegrees() const;
	void SetRotationDegrees(const Tuple3f& degrees);
	// A point of the frame in world coordinates.
	Tuple3f TransformPoint(const Tuple3f& point) const;
	// A world point in the frame's coordinates.
	Tuple3f InverseTransformPoint(const Tuple3f& point) const;

	const Tuple3f& GetPosition() const
	{
		return position;
	}
	void SetPosition(const Tuple3f& newPosition)
	{
		position = newPosition;
	}
	const Quaternion& GetRotation() const
	{
		return rotation;
	}
	const Quaternion& GetInverseRotation() const
	{
		return inverseRotation;
	}
	unsigned GetPhysicsId() const
	{
		return physicsId;
	}

private:
	friend class Transform;

	void OnSetPos(Message::Reader reader);
	void OnSetRot(Message::Reader reader);
	void AddChild(Transform* child);
	void RemoveChild(Transform* child);

	// Rotation matrix of rotation, and its transpose (the inverse of a pure rotation).
	Matrix4 matrix;
	Matrix4 inverseMatrix;
	Tuple3f position;
	Quaternion rotation;
	// conjugate(rotation) / |rotation|^2.
	Quaternion inverseRotation;
	DegreesAsRead rotationAsRead;
	unsigned physicsId = 0;
	// The transforms whose parent this is, so that none keeps a pointer to a deleted origin.
	std::vector<Transform*> children;
};
