// Billboard: keeps its object turned toward the active camera, on the axes it may follow. Only the
// class side exists so far: fields, defaults and copying; its operations do nothing yet.
#pragma once

#include "Components/QuietComponent.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Tuple.h"

struct __BillboardName
{
	static constexpr const char* name = "Billboard";
};

class Billboard : public QuietComponent<Billboard, __BillboardName>
{
public:
	ListLinks<Billboard> links;

private:
	bool followX = false;
	bool followY = false;
	bool followZ = false;
	Tuple3f relativeRotation;
};
