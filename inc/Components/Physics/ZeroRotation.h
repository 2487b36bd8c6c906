// ZeroRotation: a marker component. A body whose object carries one gets no inverse inertia, so
// forces and contacts never turn it (unless its mass is computed to keep rotation, as ragdoll parts are).
#pragma once

#include "Component.h"

struct __ZeroRotationName
{
	static constexpr const char* name = "ZeroRotation";
};

class ZeroRotation : public ComponentBase<ZeroRotation, __ZeroRotationName>
{
public:
	bool Load(Serializer&) override { return true; }
	bool Serialize(Serializer&) override { return true; }
	bool Start() override { return true; }
	bool Update() override { return true; }
	void Detach() override {}
};
