// Voice: a character's or object's own positioned sounds: damage and death cries, walking, the
// "Stars" burst, destruction, gulping and healing, and an optional continuous sound for as long as
// it exists. Its own channels follow the object every frame. The HPSound of whoever swallows the
// object asks it for its "Swallowed" entry.
#pragma once

#include "Components/Sound/TableSound.h"
#include "Message.h"

#include <ctime>
#include <string>

struct __VoiceName
{
	static constexpr const char* name = "Voice";
};

class Voice : public TableSound<Voice, __VoiceName>
{
public:
	bool Start() override;
	// Moves its voice and stars channels to the object and keeps the continuous sound going.
	bool Update() override;
	// Both stop its own channels first.
	void Release() override;
	void Detach() override;

	// The entry's file, or "DNE" when there is none.
	std::string SoundFile(const std::string& name) const;
	// The entry's volume, or 0 when there is none.
	float Volume(const std::string& name) const;

	// The clock that seeds the death-cry draw, in whole seconds: deaths within one second pick the
	// same cry. Replaceable so that a test can step it.
	static std::time_t (*secondsClock)();

	snd::Channel voiceChannel;
	snd::Channel continuousChannel;
	snd::Channel starsChannel;

private:
	void StopOwnChannels() const;
	void OnDeath(Message::Reader reader);
	void OnExplode(Message::Reader reader);
	void OnAddObject(Message::Reader reader);
	void OnDamage(Message::Reader reader);
	void OnHeal(Message::Reader reader);
	void OnSetAnimation(Message::Reader reader);
	void OnParticleClear(Message::Reader reader);
	void OnParticleBurst(Message::Reader reader);
	void OnDestroyed(Message::Reader reader);
};
