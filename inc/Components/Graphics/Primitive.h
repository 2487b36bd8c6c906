// Primitive: draws one of the five unit shapes of the primitive-mesh cache, placed by its object's
// Transform. Its render entry puts the object on the renderer's draw list while it is started.
// Scripts see it as class "Primitive" with the property "visible".
#pragma once

#include "Component.h"
#include "Components/Graphics/PrimitiveMesh.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Message.h"
#include "Systems/Graphics/RenderEntry.h"

#include <optional>

struct __PrimitiveName
{
	static constexpr const char* name = "Primitive";
};

class Primitive : public ComponentBase<Primitive, __PrimitiveName>
{
public:
	using PrimitiveData = ::PrimitiveData;

	Primitive() = default;
	// The copy is on no list and holds the mesh without a reference of its own.
	Primitive(const Primitive&) = default;

	// Shape name, stacks, slices; visible from here on.
	bool Load(Serializer& serializer) override;
	// "shape name", "stacks" and "slices" of the mesh held (the tessellation after clamping).
	bool Serialize(Serializer& serializer) override;
	// Listens to "SetVisible" and puts the render entry on the Graphics system's list.
	bool Start() override;
	// Draws the mesh when visible and on the draw list this frame; false when it drew nothing.
	bool Update() override;
	// Update for a pass that culls back faces, with the eye at `eye` in the world: the facets it
	// sees from behind are not submitted at all.
	bool DrawFacing(const Tuple3f& eye);
	void Release() override;
	void Detach() override;

	bool IsVisible() const { return visible; }
	void SetVisible(bool value) { visible = value; }
	const PrimitiveEntry* GetMesh() const { return mesh; }
	const RenderEntry& GetRenderEntry() const { return renderEntry; }

protected:
	// Links the entry into the Graphics system's render-entry list.
	void StartRenderEntry(RenderEntry& entry, int kind, RenderEntry::Predicate predicate);
	void StopRenderEntry(RenderEntry& entry);
	// Draws the mesh, with the two attributes of the object's Shader program pointed at its
	// tangents and binormals when the program has both.
	// With the eye in the mesh's own space, only the facets it sees the front of are drawn.
	void DrawWithTangents(PrimitiveEntry& entry, Attribute tangent, Attribute binormal,
		const std::optional<Tuple3f>& eyeInMesh = std::nullopt) const;
	void OnSetVisible(Message::Reader reader);
	// Pushes the model-view matrix and applies the object's world position, rotation and scale;
	// false, pushing nothing, when the object has no Transform.
	bool PushObjectPlacement() const;

	bool visible = false;
	PrimitiveEntry* mesh = nullptr;
	RenderEntry renderEntry;

private:
	// The mesh under the object's placement; the eye (in the world) leaves out back facets.
	bool Draw(const std::optional<Tuple3f>& eye);
};
