// Ear: makes its object (the player, which carries the camera) the listener of positional sound.
// The Ear started last is the listener; every frame it takes its object's world position, its
// body's velocity and its camera's direction and up vector, and the Sound system places the
// listener there. Nothing of it is saved.
#pragma once

#include "Component.h"
#include "Utilities/Tuple.h"

struct __EarName
{
	static constexpr const char* name = "Ear";
};

class Ear : public ComponentBase<Ear, __EarName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Becomes the listener.
	bool Start() override;
	// Refreshes the four vectors and, while this Ear is the listener, moves the listener to them.
	// What the object lacks (Transform, Body, Camera) leaves its vectors as they were (the
	// default orientation without a camera), the velocity 0.
	bool Update() override;
	// Stops being the listener; another Ear that listens stays the listener.
	void Detach() override;

	Tuple3f position;
	Tuple3f velocity;
	// Until a camera turns it, the ear faces down -z with +y up, as a camera does by default: a
	// zero vector would give the listener no orientation and no left or right.
	Tuple3f forward{0.0f, 0.0f, -1.0f};
	Tuple3f up{0.0f, 1.0f, 0.0f};
};
