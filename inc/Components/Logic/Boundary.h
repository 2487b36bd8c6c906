// Boundary: watches whether a target object (its own object, named "__This", or the first member
// of its object group bearing the target name) stays wholly inside a box laid around the target's
// first position, and tells its own object when the target leaves ("exitMessage") and comes back
// ("enterMessage"). A box open above ("openAbove") lets the target rise as high as it flies: only
// its floor and sides are left by. A target without a Body and a collider is not watched.
#pragma once

#include "Components/QuietComponent.h"
#include "Utilities/Tuple.h"

#include <string>

struct __BoundaryName
{
	static constexpr const char* name = "Boundary";
};

class Boundary : public QuietComponent<Boundary, __BoundaryName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	// 0 names no object: no target was found.
	unsigned GetTargetId() const { return targetId; }

private:
	bool boxReady = false;
	bool outside = false;
	std::string enterMessage;
	std::string exitMessage;
	std::string targetName;
	unsigned targetId = 0;
	Tuple3f boxMinimum{0.0f, 0.0f, 0.0f};
	Tuple3f boxMaximum{0.0f, 0.0f, 0.0f};
	// The full extent of the box along x, y and z.
	Tuple3f dimmensions_{0.0f, 0.0f, 0.0f};
	// The box watches a level, open to the sky: what flies above its top has not left.
	bool openAbove = false;
};
