#include "Components/Sound/BossSFX.h"

bool BossSFX::Start()
{
	owner->RegisterHandler<BossSFX>("Damage", &BossSFX::OnDamage);
	owner->RegisterHandler<BossSFX>("SummonScraps", &BossSFX::OnSummonScraps);
	owner->RegisterHandler<BossSFX>("Cyclone", &BossSFX::OnCyclone);
	owner->RegisterHandler<BossSFX>("Ragdoll", &BossSFX::OnRagdoll);
	owner->RegisterHandler<BossSFX>("SetAnimation", &BossSFX::OnSetAnimation);
	// Accepted and silent: the boss has no sounds for these yet.
	owner->RegisterHandler<BossSFX>("Death", &BossSFX::Ignore);
	owner->RegisterHandler<BossSFX>("Created", &BossSFX::Ignore);
	owner->RegisterHandler<BossSFX>("SetPos", &BossSFX::Ignore);
	SoundTable::JoinUpdates(owner->GetId());
	return true;
}

bool BossSFX::Update()
{
	const SoundTable::Place place = SoundTable::PlaceOf(*owner);
	if (Sound* sound = SoundTable::FindSound())
		place.Move(sound->BossChannel);
	place.Move(channel);
	return true;
}

void BossSFX::PlayCry(const char* name)
{
	if (Sound* sound = SoundTable::FindSound())
		Play(sound->BossChannel, name, Rule::kSkip);
}

void BossSFX::OnDamage(Message::Reader)
{
	PlayCry("Damage");
}

void BossSFX::OnSummonScraps(Message::Reader)
{
	PlayCry("Summon");
}

void BossSFX::OnCyclone(Message::Reader)
{
	PlayCry("Cyclone");
}

void BossSFX::OnRagdoll(Message::Reader)
{
	Sound* sound = SoundTable::FindSound();
	if (sound == nullptr || !table.Contains("Ragdoll"))
		return;
	// The fall cuts off whatever the boss was saying or doing.
	SoundTable::RestartWhilePlaying(channel);
	Play(sound->BossChannel, "Ragdoll", Rule::kRestart);
}

void BossSFX::OnSetAnimation(Message::Reader reader)
{
	const std::string animation = reader.Read<std::string>();
	if (animation == "Throw" || animation == "Idle" || animation == "Walk")
		Play(channel, animation, Rule::kSkip, false);
}
