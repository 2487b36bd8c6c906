// SoundMaterial: the sounds of a surface or prop. Its "Walk" entry is what a character's steps on
// it sound like (a FootStep asks for it with "PlayWalk"); its "Collision" entry plays, at the
// object, whenever the object collides, unless its collision sound still plays.
#pragma once

#include "Components/Sound/TableSound.h"
#include "Message.h"

#include <string>

// What "PlayWalk" carries by pointer: the sender's record, alive while the message is delivered.
struct SoundStruct
{
	std::string name;
	snd::Channel channel;
};

struct __SoundMaterialName
{
	static constexpr const char* name = "SoundMaterial";
};

class SoundMaterial : public TableSound<SoundMaterial, __SoundMaterialName>
{
public:
	bool Start() override;

	snd::Channel collisionChannel;

private:
	// Plays the named entry on the shared walk channel; the sender checked that it is free.
	void OnPlayWalk(Message::Reader reader);
	void OnCollision(Message::Reader reader);
};
