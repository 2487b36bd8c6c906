// Light: makes its object a light source of the deferred renderer. The light pass draws each
// light's volume (a sphere around an omni light, the whole view for a directional one) with the
// light's colour and attenuation, adding its contribution to the light buffer.
#pragma once

#include "Components/Graphics/Primitive.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Tuple.h"

#include <cfloat>

class Camera;
#include <string>

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

	// Type names are matched in any case; "visible", direction, type name, ambient, diffuse,
	// specular, attenuation, the two angles (degrees), then optional striations and radius.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Joins the light list and puts its own render entry (always drawn) on the render-entry list.
	bool Start() override;
	// Sets the light's uniforms on the current program and draws its volume; false when it drew
	// nothing (invisible, or a type without a volume).
	bool Update() override;
	void Detach() override;

	// The owner's world position; the origin without a Transform.
	Tuple3f GetWorldPosition() const;
	// How far an omni light's volume reaches from its position.
	float GetVolumeRadius() const;
	// True when the eye, or the near plane around it, lies within the omni light's volume.
	bool VolumeHoldsEye(const Camera& camera) const;

	int GetType() const { return type; }
	const Tuple3f& GetDirection() const { return direction; }
	const Tuple4f& GetDiffuse() const { return diffuse; }
	float GetStriations() const { return striations; }
	float GetRadius() const { return radius; }
	float GetAlphaAngle() const { return alphaAngle; }

	ListLinks<Light> links;

private:
	void DrawVolume(const Camera& camera, const Tuple3f& position) const;

	// The name as written, kept so that an unknown type is saved as it was read.
	std::string typeName;

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

	static inline unsigned startedLights = 0;
};
