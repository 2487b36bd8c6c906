// TeamDamage: objects of different teams hurt each other on contact. On "Collision" with an object
// whose TeamDamage names another team, it sends that object "Damage"(damage, own position). A
// damage below 1 never registers for contacts.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

#include <string>

struct __TeamDamageName
{
	static constexpr const char* name = "TeamDamage";
};

class TeamDamage : public QuietComponent<TeamDamage, __TeamDamageName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;

private:
	void OnCollision(Message::Reader reader);

	std::string teamName;
	int damage = 0;
};
