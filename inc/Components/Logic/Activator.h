// Activator: "ActivateTarget" sends "ActivateObject" to the object under the aim (from the
// object's RayCaster) when it lies closer than reach.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

struct __ActivatorName
{
	static constexpr const char* name = "Activator";
};

class Activator : public QuietComponent<Activator, __ActivatorName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

private:
	void OnActivateTarget(Message::Reader reader);

	float reach = 0.0f;
};
