// FootStep: a character's steps and jump. A movement message ("MoveForward" or "Strafe", either
// direction, any amount) marks the character as moving until the end of the frame's sound update;
// a collision while moving, with an object that carries a SoundMaterial, asks that object to play
// its "Walk" sound, unless a step still sounds. "Jump" plays the character's own "Jump" entry.
#pragma once

#include "Components/Sound/SoundMaterial.h"
#include "Components/Sound/TableSound.h"
#include "Message.h"

struct __FootStepName
{
	static constexpr const char* name = "FootStep";
};

class FootStep : public TableSound<FootStep, __FootStepName>
{
public:
	bool Start() override;
	// Clears the moving mark: the physics step of the next frame needs a new movement message.
	bool Update() override;

	bool moving = false;

private:
	void OnCollision(Message::Reader reader);
	void OnMove(Message::Reader reader);
	void OnJump(Message::Reader reader);
};
