// ConnectionReader: makes its object the visible body of a physics connection (a rope or a rod).
// After every physics step it places, turns and stretches the object between the two anchor
// points of its distance constraint; its own body becomes a ghost without gravity.
#pragma once

#include "Component.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

class Composition;

// What the reader needs of the physics components (the GlobalConnection that holds an object's
// constraints and the Body that holds its rigid body), installed by them. Until they are, no
// object has a connection or a body, and readers leave their objects alone.
struct ConnectionPhysics
{
	// The world anchor points of the first distance constraint of the object's GlobalConnection
	// (each body's transform applied to its local anchor); false without a GlobalConnection or
	// without a distance constraint.
	bool (*findDistanceAnchors)(Composition& object, Tuple3f& first, Tuple3f& second) = nullptr;
	// Sets GHOST and then NOGRAVITY on the rigid body of the object's Body; nothing without one.
	void (*makeGhost)(Composition& object) = nullptr;
	// The object's rigid body takes its orientation, position and matrices from its Transform.
	void (*followTransform)(Composition& object) = nullptr;
};

struct __ConnectionReaderName
{
	static constexpr const char* name = "ConnectionReader";
};

class ConnectionReader : public ComponentBase<ConnectionReader, __ConnectionReaderName>
{
public:
	// Where a reader puts its object for a pair of anchor points.
	struct Placement
	{
		Tuple3f position;
		Quaternion orientation;
		Tuple3f scale;
	};

	ConnectionReader() = default;
	// The copy is on no post-step list until it starts.
	ConnectionReader(const ConnectionReader& other);
	ConnectionReader& operator=(const ConnectionReader&) = delete;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Joins the physics resolution stage's post-step list, which updates it after every step, and
	// makes the object's body a gravity-free ghost.
	bool Start() override;
	// Follows the connection: the object's y axis runs from the second anchor to the first, its
	// centre sits midway and its length is their distance. Always true.
	bool Update() override;
	void Detach() override;

	// The unit y axis turned onto first - second, the midpoint, and a scale of (radius / 2,
	// distance, radius / 2). Anchors closer than 1e-4 keep their tiny distance as the length.
	static Placement Follow(const Tuple3f& first, const Tuple3f& second, float radius);

	// The physics components' hooks (empty until they install them).
	static ConnectionPhysics& Physics();
	const PostStepLink& GetPostStepLink() const { return postStepLink; }

private:
	static ResolutionManager* Resolution();

	PostStepLink postStepLink;
	float radius = 0.0f;
};

