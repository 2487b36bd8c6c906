// Billboard: keeps its object turned toward the eye, on the axes it may follow, after a fixed
// rotation in its own frame. The frame turns every billboard once, before it draws the scene; a
// sky object (whose position is relative to the eye) faces the world origin instead.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <optional>

struct __BillboardName
{
	static constexpr const char* name = "Billboard";
};

class Billboard : public ComponentBase<Billboard, __BillboardName>
{
public:
	// Follows all three axes; reads the relative rotation; listens to "SetRot" (the relative
	// rotation, a rotation vector) and "SetAxes" (a Tuple3<bool>: the axes to follow).
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	// Sets the object's world orientation to face the eye. Always true.
	bool Update() override;
	void Detach() override;

	// The orientation that turns the local -z axis along the facing vector (object to eye, the
	// cleared axes' components dropped) after the relative rotation; none when the facing vector
	// is parallel to the world y axis, where no such turn is defined.
	std::optional<Quaternion> FacingOrientation(const Tuple3f& toEye) const;

	ListLinks<Billboard> links;

private:
	void OnSetRot(Message::Reader reader);
	void OnSetAxes(Message::Reader reader);

	Tuple3<bool> followAxes;
	Tuple3f relativeRotation;
};
