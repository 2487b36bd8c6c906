#include "Components/Graphics/Primitive.h"

#include "Components/Graphics/Shader.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Utilities/v8/ScriptTuples.h"

#include <GL/glew.h>

namespace
{
	[[maybe_unused]] const bool primitiveScriptClassRegistered = [] {
		JSObject<Primitive>::Bind("Primitive", 0).AddAccessor("visible", &Primitive::IsVisible, &Primitive::SetVisible);
		return true;
	}();
}

bool Primitive::Load(Serializer& serializer)
{
	visible = true;
	std::string shapeName;
	int stacks = 0;
	int slices = 0;
	serializer.Read(shapeName).Read(stacks).Read(slices);
	ReleaseMedia(mesh);
	mesh = GetPrimitiveData(ShapeFromName(shapeName), stacks, slices);
	return true;
}

bool Primitive::Serialize(Serializer& serializer)
{
	const PrimitiveData empty;
	const PrimitiveData& data = mesh != nullptr ? mesh->media : empty;
	serializer.Write("shape name", ShapeName(data.shape));
	serializer.Write("stacks", data.stacks);
	serializer.Write("slices", data.slices);
	return true;
}

bool Primitive::Start()
{
	owner->RegisterHandler("SetVisible", &Primitive::OnSetVisible);
	StartRenderEntry(renderEntry, 0, &Graphics::IsOutsideView);
	return true;
}

void Primitive::StartRenderEntry(RenderEntry& entry, int kind, RenderEntry::Predicate predicate)
{
	entry.component = this;
	entry.owner = owner;
	entry.kind = kind;
	entry.predicate = predicate;
	if (Graphics* graphics = Graphics::Find())
		graphics->RenderEntries().PushBack(&entry);
}

void Primitive::StopRenderEntry(RenderEntry& entry)
{
	if (Graphics* graphics = Graphics::Find())
		graphics->RenderEntries().Remove(&entry);
}

bool Primitive::Update()
{
	return Draw(std::nullopt);
}

bool Primitive::DrawFacing(const Tuple3f& eye)
{
	return Draw(eye);
}

bool Primitive::Draw(const std::optional<Tuple3f>& eye)
{
	if (!visible || !renderEntry.draw || mesh == nullptr)
		return false;
	const Transform* transform = owner->GetComponent<Transform>();
	if (transform == nullptr)
		return false;
	const Tuple3f position = transform->GetWorldPosition();
	const Tuple3f rotation = transform->GetWorldRotationVector();
	const Tuple3f& scale = transform->GetScale();
	PushPlacement(position, rotation, scale);
	DrawWithTangents(*mesh, Attribute::Tangent, Attribute::Binormal,
		eye ? PointInPlacement(*eye, position, rotation, scale) : std::nullopt);
	glPopMatrix();
	return true;
}

bool Primitive::PushObjectPlacement() const
{
	const Transform* transform = owner->GetComponent<Transform>();
	if (transform == nullptr)
		return false;
	PushPlacement(transform->GetWorldPosition(), transform->GetWorldRotationVector(), transform->GetScale());
	return true;
}

void Primitive::DrawWithTangents(PrimitiveEntry& entry, Attribute tangent, Attribute binormal,
	const std::optional<Tuple3f>& eyeInMesh) const
{
	// Without a Shader on the object there is no program to read tangent attributes from.
	const Shader* shader = owner->GetComponent<Shader>();
	const unsigned program = shader != nullptr ? shader->GetProgram() : 0;
	const int tangentLocation = AttributeLocation(program, tangent);
	const int binormalLocation = AttributeLocation(program, binormal);
	if (eyeInMesh)
		DrawPrimitiveMeshFacing(entry, *eyeInMesh, tangentLocation, binormalLocation);
	else
		DrawPrimitiveMesh(entry, tangentLocation, binormalLocation);
}

void Primitive::Release()
{
	ReleaseMedia(mesh);
}

void Primitive::Detach()
{
	StopRenderEntry(renderEntry);
}

void Primitive::OnSetVisible(Message::Reader reader)
{
	visible = reader.Read<bool>();
}
