// Transform and BoneTransform. Transform places an object in the world: position, rotation and
// scale, stored relative to the Origin of the object's group when it hangs on one. Everything else
// reads and writes world values through it. BoneTransform is the table of named bone poses that a
// model writes every frame and that ragdolls and other components read or override.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/HashMap.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <string>

class Origin;

struct __TransformName
{
	static constexpr const char* name = "Transform";
};

class Transform : public ComponentBase<Transform, __TransformName>
{
public:
	Transform() = default;
	// The copy hangs on the same origin.
	Transform(const Transform& other);
	Transform& operator=(const Transform&) = delete;
	~Transform() override;

	// Registers "SetPos", "SetRot", "SetScale" and "SetDim", then reads "bt.pos", "bt.scale" and
	// "Rotation" (a rotation vector in degrees) as local values.
	bool Load(Serializer& serializer) override;
	// Writes the local values.
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;
	void Detach() override;

	Tuple3f GetWorldPosition() const;
	void SetWorldPosition(const Tuple3f& worldPosition);
	Quaternion GetWorldOrientation() const;
	void SetWorldOrientation(const Quaternion& worldOrientation);
	// Radians.
	Tuple3f GetWorldRotationVector() const;
	void SetWorldRotationVector(const Tuple3f& rotationVector);
	// Never combined with the parent's.
	const Tuple3f& GetScale() const
	{
		return scale;
	}
	void SetScale(const Tuple3f& newScale)
	{
		scale = newScale;
	}
	const Tuple3f& GetDimensions() const
	{
		return dimensions;
	}

	Origin* GetParent() const
	{
		return parent;
	}
	// Hangs the transform on an origin (or on none) without converting its values.
	void SetParent(Origin* newParent);

private:
	void OnSetPos(Message::Reader reader);
	void OnSetRot(Message::Reader reader);
	void OnSetScale(Message::Reader reader);
	void OnSetDim(Message::Reader reader);

	Tuple3f dimensions;
	// Not owned; the origin clears it when it goes.
	Origin* parent = nullptr;
	Tuple3f position;
	Tuple3f scale;
	Quaternion rotation;
	DegreesAsRead rotationAsRead;
};

struct __BoneTransformName
{
	static constexpr const char* name = "BoneTransform";
};

class BoneTransform : public ComponentBase<BoneTransform, __BoneTransformName>
{
public:
	// Both in the model's space.
	struct BoneInfo
	{
		Quaternion orientation;
		Tuple3f position;
		DegreesAsRead orientationAsRead;
	};
	using BoneTable = tw::hash_map<std::string, BoneInfo>;

	// One "Bone" element per bone: "Key", "Orientation" (degrees), "Position".
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;
	void Detach() override;

	// Never inserts; end() when the bone is absent.
	BoneTable::iterator Find(const std::string& boneName)
	{
		return bones.find(boneName);
	}
	BoneTable::const_iterator Find(const std::string& boneName) const
	{
		return bones.find(boneName);
	}
	BoneTable::iterator End()
	{
		return bones.end();
	}
	BoneTable::const_iterator End() const
	{
		return bones.end();
	}

private:
	BoneTable bones;
};
