// Mover: slides its object at a constant world velocity, one physics step's worth per frame,
// whether or not physics steps (moving platforms keep their pace under a paused simulation). It
// writes the Transform only; a body on the object follows it.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

struct __MoverName
{
	static constexpr const char* name = "Mover";
};

class Mover : public QuietComponent<Mover, __MoverName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

private:
	void OnSetVelocity(Message::Reader reader);

	// Units per second, world frame.
	Tuple3f velocity{0.0f, 0.0f, 0.0f};
};
