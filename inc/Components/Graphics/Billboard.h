// Billboard: keeps its object turned toward the active camera, on the axes it may follow. Only the
// class side exists so far: fields, defaults and copying; its operations do nothing yet.
#pragma once

#include "Component.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Tuple.h"

struct __BillboardName
{
	static constexpr const char* name = "Billboard";
};

class Billboard : public ComponentBase<Billboard, __BillboardName>
{
public:
	bool Load(Serializer&) override { return true; }
	bool Serialize(Serializer&) override { return true; }
	bool Start() override { return true; }
	bool Update() override { return true; }
	void Detach() override {}

	ListLinks<Billboard> links;

private:
	bool followX = false;
	bool followY = false;
	bool followZ = false;
	Tuple3f relativeRotation;
};
