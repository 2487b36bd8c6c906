// DamageReticle: shows where damage came from. On "DamageTaken"(position) it asks the heads-up
// display object named hudElement to run "AddDamage(x, z, timeShown); void(0);" through
// "CallJSFunction"; numbers are written as printf's %g writes them in the "C" locale.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <string>

struct __DamageReticleName
{
	static constexpr const char* name = "DamageReticle";
};

class DamageReticle : public QuietComponent<DamageReticle, __DamageReticleName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;

	// The script text for a damage from the position.
	std::string ScriptFor(const Tuple3f& position) const;

private:
	void OnDamageTaken(Message::Reader reader);

	float timeShown = 0.0f;
	std::string hudElement;
};
