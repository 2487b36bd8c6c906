// TextureTransform: sets the texture matrix of its object's texture from an offset, a rotation
// about the texture centre and a scale, which messages can change while the game runs (scrolling
// water, turning signs).
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Tuple.h"

struct __TextureTransformName
{
	static constexpr const char* name = "TextureTransform";
};

class TextureTransform : public ComponentBase<TextureTransform, __TextureTransformName>
{
public:
	// pos, scale, rot, in that order.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Listens to "SetTexturePos", "SetTextureRot" and "SetTextureScale".
	bool Start() override;
	// Loads the texture matrix of the active texture unit: t -> pos + (0.5, 0.5) + R(S t - (0.5, 0.5)).
	bool Update() override;
	void Detach() override {}

	const Tuple2f& GetPos() const { return pos; }
	const Tuple2f& GetRot() const { return rot; }
	const Tuple3f& GetScale() const { return scale; }

private:
	void OnSetTexturePos(Message::Reader reader);
	void OnSetTextureRot(Message::Reader reader);
	void OnSetTextureScale(Message::Reader reader);

	Tuple2f pos;
	// The x and z of a rotation axis times the angle (radians).
	Tuple2f rot;
	// The third component is kept but not used.
	Tuple3f scale;
};
