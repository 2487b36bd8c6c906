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
	const Transform* transform = owner->GetComponent<Transform>();
	const Tuple3f position = transform != nullptr ? transform->GetWorldPosition() : Tuple3f();
	if (const int location = CurrentUniform(Uniform::LightPos); location >= 0)
	{
		const Tuple3f viewPosition = ToView(view, position, 1.0f);
		glUniform3f(location, viewPosition.x, viewPosition.y, viewPosition.z);
	}
	if (type == kOmni)
	{
		glPushMatrix();
		glTranslatef(position.x, position.y, position.z);
		glScalef(radius, radius, radius);
		DrawPrimitiveMesh(*mesh);
		glPopMatrix();
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
	DrawPrimitiveMesh(*mesh);
	glMatrixMode(GL_PROJECTION);
	glPopMatrix();
	glMatrixMode(GL_MODELVIEW);
	glPopMatrix();
	return true;
}

void Light::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Lights().Remove(this);
	StopRenderEntry(lightEntry);
}
