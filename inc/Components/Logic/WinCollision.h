// WinCollision: when its object touches the object named winObj, the game goes on to the next
// level at the end of the frame, as "NextLevel" does. An empty name matches nothing, and nothing
// wins while the player lies knocked out.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

#include <string>

struct __WinCollisionName
{
	static constexpr const char* name = "WinCollision";
};

class WinCollision : public QuietComponent<WinCollision, __WinCollisionName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;

private:
	void OnCollision(Message::Reader reader);

	std::string winObj;
};
