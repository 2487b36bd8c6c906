// Golem: the logic of the golem boss. It dresses the golem in scraps (loose bodies of the level
// pulled onto the GolemPoints of the same object), counts blasts at those scraps as hits on the
// damageable part their bone belongs to, sheds scraps as parts take hits, knocks the golem over when
// a part is complete and kills it when every part is. The head is a separate object that it connects
// and disconnects by messages. It acts only through message handlers.
#pragma once

#include "Component.h"
#include "Components/Physics/GolemPoints.h"
#include "Message.h"
#include "Utilities/HashMap.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>
#include <vector>

struct __GolemName
{
	static constexpr const char* name = "Golem";
};

class Golem : public ComponentBase<Golem, __GolemName>
{
public:
	struct DamageablePart
	{
		std::vector<std::string> bones;
		std::uint32_t hitsRequired = 0;
		std::uint32_t hits = 0;

		bool IsComplete() const { return hits >= hitsRequired; }
	};

	Golem();
	Golem(const Golem& other) = default;
	Golem& operator=(const Golem&) = delete;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override { return true; }
	// Drops the handlers the golem filed on its scraps.
	void Detach() override;

	// Appends the first min(n, count) scraps hanging on the bone, in attachment order.
	void GetScrapsByName(const std::string& bone, unsigned n, std::vector<unsigned>& scraps) const;
	// The last state "Ragdoll" set: true while the golem lies as a ragdoll.
	bool IsRagdolled() const { return ragdolled; }
	bool IsArmed() const { return armed; }
	const std::vector<DamageablePart>& GetParts() const { return parts; }
	const std::vector<GolemPoints::PointDescription>& GetPlaces() const { return scrapPlaces; }

	float summonRadius = 0.0f;
	Tuple3f scrapScale;
	float scrapShrinkTime = 0.0f;
	float scrapSpacing = 0.0f;
	std::string headBoneName;
	std::string headArchetype;
	std::uint32_t invulnerableTime = 0;
	std::string golemTeam;
	int golemDamage = 0;

private:
	void OnSummonScraps(Message::Reader reader);
	void OnRagdoll(Message::Reader reader);
	void OnCreated(Message::Reader reader);
	void OnReeledIn(Message::Reader reader);
	void OnExplode(Message::Reader reader);

	void AttachScrap(unsigned scrapId, int pointIndex);
	void ShedScrap(unsigned scrapId, bool partComplete);
	void ActivatePartParticles(bool on) const;
	void ReverseScrapScalers() const;
	void SendToHead(const Message& message) const;
	GolemPoints* Points() const;
	bool AllPartsComplete() const;

	bool ragdolled = false;
	std::uint32_t lastHitTime = 0;
	bool armed = false;
	bool summoning = false;
	bool firstReel = true;
	// Index i is the place of GolemPoints' point i.
	std::vector<GolemPoints::PointDescription> scrapPlaces;
	// Bone name to the scraps on its places, in attachment order.
	tw::hash_map<std::string, std::vector<unsigned>> scrapsByBone;
	std::vector<DamageablePart> parts;
	// Scrap id to the index of its part: an index, not a pointer, so that a copy counts hits on
	// its own parts.
	tw::hash_map<unsigned, std::size_t> partsByScrap;
};
