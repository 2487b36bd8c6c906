// Light: makes its object a light source of the deferred renderer. The light pass draws each
// light's volume (a sphere around an omni light, the whole view for a directional one) with the
// light's colour and attenuation, adding its contribution to the light buffer.
#pragma once

#include "Components/Graphics/Primitive.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Tuple.h"

#include <cfloat>

struct __LightName
{
	static constexpr const char* name = "Light";
};

class Light : public ComponentBase<Light, __LightName, Primitive>
{
public:
	enum Type : int
	{
		kOmni = 0,
		kDirectional = 1,
		kSpot = 2,
		// A type name that is none of "OMNI", "DIRECTIONAL", "SPOT".
		kUnknownType = 3,
	};

	ListLinks<Light> links;

protected:
	Tuple3f direction;
	unsigned lightNumber = 0;
	int type = kUnknownType;
	Tuple4f ambient;
	Tuple4f diffuse;
	Tuple4f specular;
	// Constant, linear and quadratic terms.
	Tuple3f attenuation;
	// Radians in memory, degrees in files.
	float alphaAngle = 0.0f;
	float betaAngle = 0.0f;
	float striations = FLT_MAX;
	float radius = 0.0f;
	// The entry the light puts on the render-entry list (the Primitive part's own stays unused).
	RenderEntry lightEntry;
};
