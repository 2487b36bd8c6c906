#include "Components/Graphics/Light.h"

#include "Components/Graphics/Camera.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Utilities/MathCommon.h"
#include "Systems/Graphics/Graphics.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace
{
	const char* const kTypeNames[] = {"OMNI", "DIRECTIONAL", "SPOT"};
	constexpr int kOmniTessellation = 12;

	bool NeverOutsideView(const Component*)
	{
		return false;
	}

	void SetUniform(Uniform uniform, float value)
	{
		const int location = CurrentUniform(uniform);
		if (location >= 0)
			glUniform1f(location, value);
	}

	// The first three components of the view matrix times (v, w).
	Tuple3f ToView(const Matrix4& view, const Tuple3f& v, float w)
	{
		Tuple3f result;
		for (int row = 0; row < 3; ++row)
			result[row] = view.At(row, 0) * v.x + view.At(row, 1) * v.y + view.At(row, 2) * v.z + view.At(row, 3) * w;
		return result;
	}
}

bool Light::Load(Serializer& serializer)
{
	serializer.Read(visible).Read(direction).Read(typeName);
	serializer.Read(ambient).Read(diffuse).Read(specular).Read(attenuation).Read(alphaAngle).Read(betaAngle);
	striations = FLT_MAX;
	if (serializer.HasMore())
		serializer.Read(striations);
	radius = 0.0f;
	if (serializer.HasMore())
		serializer.Read(radius);
	alphaAngle = static_cast<float>(alphaAngle * kDegreesToRadians);
	betaAngle = static_cast<float>(betaAngle * kDegreesToRadians);
	std::string upper = typeName;
	std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
	type = static_cast<int>(std::find(std::begin(kTypeNames), std::end(kTypeNames), upper) - std::begin(kTypeNames));
	direction.NormalizeThis();
	ReleaseMedia(mesh);
	if (type == kOmni)
		mesh = GetPrimitiveData(kSphere, kOmniTessellation, kOmniTessellation);
	else if (type == kDirectional)
		mesh = GetPrimitiveData(kPlane, 1, 1);
	return true;
}

bool Light::Serialize(Serializer& serializer)
{
	serializer.Write("visible", visible);
	serializer.Write("direction", direction);
	serializer.Write("type name", type < kUnknownType ? std::string(kTypeNames[type]) : typeName);
	serializer.Write("ambient", ambient);
	serializer.Write("diffuse", diffuse);
	serializer.Write("specular", specular);
	serializer.Write("distance attenuation", attenuation);
	serializer.Write("alpha angle", static_cast<float>(alphaAngle * kRadiansToDegrees));
	serializer.Write("beta angle", static_cast<float>(betaAngle * kRadiansToDegrees));
	serializer.Write("striations", striations);
	serializer.Write("radius", radius);
	return true;
}

bool Light::Start()
{
	lightNumber = startedLights++;
	if (Graphics* graphics = Graphics::Find())
		graphics->Lights().PushBack(this);
	StartRenderEntry(lightEntry, 1, &NeverOutsideView);
	return true;
}

bool Light::Update()
{
	// A spot light, or a type no table names, has no volume to draw.
	if (!visible || mesh == nullptr)
		return false;
	Graphics* graphics = Graphics::Find();
	Camera* camera = graphics != nullptr ? graphics->GetActiveCamera() : nullptr;
	if (camera == nullptr)
		return false;
	SetUniform(Uniform::AttConst, attenuation.x);
	SetUniform(Uniform::AttLinear, attenuation.y);
	SetUniform(Uniform::AttQuad, attenuation.z);
	SetUniform(Uniform::Striations, striations);
	const Matrix4& view = camera->GetViewMatrix();
	const Tuple3f viewDirection = ToView(view, direction, 0.0f).Normalize();
	if (const int location = CurrentUniform(Uniform::Color); location >= 0)
		glUniform4f(location, diffuse.x, diffuse.y, diffuse.z, diffuse.w);
	const Tuple3f position = GetWorldPosition();
	if (const int location = CurrentUniform(Uniform::LightPos); location >= 0)
	{
		const Tuple3f viewPosition = ToView(view, position, 1.0f);
		glUniform3f(location, viewPosition.x, viewPosition.y, viewPosition.z);
	}
	if (type == kOmni)
	{
		DrawVolume(*camera, position);
		return true;
	}
	glMatrixMode(GL_PROJECTION);
	glPushMatrix();
	glLoadIdentity();
	glOrtho(-0.5, 0.5, -0.5, 0.5, -1.0, 1.0);
	glMatrixMode(GL_MODELVIEW);
	glPushMatrix();
	glLoadIdentity();
	if (const int location = CurrentUniform(Uniform::L); location >= 0)
		glUniform3f(location, viewDirection.x, viewDirection.y, viewDirection.z);
	// The quad lies at depth 0.5 of the window: tested, it would hide every surface nearer than
	// that, and every pixel is meant to be lit.
	glDisable(GL_DEPTH_TEST);
	DrawPrimitiveMesh(*mesh);
	glEnable(GL_DEPTH_TEST);
	glMatrixMode(GL_PROJECTION);
	glPopMatrix();
	glMatrixMode(GL_MODELVIEW);
	glPopMatrix();
	return true;
}

Tuple3f Light::GetWorldPosition() const
{
	const Transform* transform = owner != nullptr ? owner->GetComponent<Transform>() : nullptr;
	return transform != nullptr ? transform->GetWorldPosition() : Tuple3f();
}

float Light::GetVolumeRadius() const
{
	// The unit sphere of the primitive meshes has a diameter of 1.
	return 0.5f * radius;
}

bool Light::VolumeHoldsEye(const Camera& camera) const
{
	const float halfHeight = static_cast<float>(std::tan(camera.GetFieldOfView() * kDegreesToRadians * 0.5));
	const Graphics* graphics = Graphics::Find();
	const float aspect = graphics != nullptr && graphics->GetScreenHeight() != 0
		? static_cast<float>(graphics->GetScreenWidth()) / static_cast<float>(graphics->GetScreenHeight())
		: 1.0f;
	// The farthest the near plane reaches from the eye: the distance to its corners.
	const float nearReach = camera.GetNearClip() * std::sqrt(1.0f + halfHeight * halfHeight * (1.0f + aspect * aspect));
	return (camera.GetEyePosition() - GetWorldPosition()).Length() <= GetVolumeRadius() + nearReach;
}

void Light::DrawVolume(const Camera& camera, const Tuple3f& position) const
{
	// With the eye inside (or the near plane cutting the front faces away) only the far side of
	// the volume is left to draw: its back faces, lighting what lies in front of them.
	const bool inside = VolumeHoldsEye(camera);
	if (inside)
	{
		glCullFace(GL_FRONT);
		glDepthFunc(GL_GEQUAL);
	}
	glPushMatrix();
	glTranslatef(position.x, position.y, position.z);
	glScalef(radius, radius, radius);
	DrawPrimitiveMesh(*mesh);
	glPopMatrix();
	if (inside)
	{
		glCullFace(GL_BACK);
		glDepthFunc(GL_LEQUAL);
	}
}

void Light::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Lights().Remove(this);
	StopRenderEntry(lightEntry);
}
