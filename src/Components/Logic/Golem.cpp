#include "Components/Logic/Golem.h"

#include "Components/Graphics/GolemModel.h"
#include "Components/Graphics/ModelData.h"
#include "Components/Logic/BonePose.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/GolemPlaces.h"
#include "Components/Logic/Scaler.h"
#include "Components/Logic/TeamDamage.h"
#include "Components/Physics/Body.h"
#include "Components/Physics/PhysicsId.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Random.h"

#include <algorithm>

namespace
{
	// Adds a component of the type loaded from the fields written by write, and starts it.
	template <class T, class Write>
	void AddStarted(Composition& object, Write write)
	{
		Serializer fields;
		write(fields);
		fields.SwitchToReading();
		if (object.AddComponent(T::TypeId(), fields))
			object.GetComponent<T>()->Start();
	}

	bool IsLogicObject(unsigned objectId)
	{
		const Engine* engine = Engine::Instance();
		const Logic* logic = engine != nullptr ? engine->GetSystem<Logic>() : nullptr;
		return logic != nullptr && logic->IsLogicObject(objectId);
	}
}

Golem::Golem() : lastHitTime(Logic::GameMilliseconds())
{
}

bool Golem::Load(Serializer& serializer)
{
	serializer.Read(summonRadius).Read(scrapScale).Read(scrapShrinkTime).Read(scrapSpacing);
	serializer.Read(headBoneName).Read(headArchetype).Read(invulnerableTime).Read(golemTeam).Read(golemDamage);
	parts.clear();
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		DamageablePart part;
		serializer.Read(part.hitsRequired);
		while (serializer.HasValue())
			part.bones.push_back(serializer.ReadString());
		serializer.LeaveNode();
		parts.push_back(std::move(part));
	}
	return true;
}

bool Golem::Serialize(Serializer& serializer)
{
	serializer.Write("summonRadius", summonRadius).Write("scrapScale", scrapScale).Write("scrapShrinkTime", scrapShrinkTime);
	serializer.Write("scrapSpacing", scrapSpacing).Write("headBoneName", headBoneName).Write("headArchetype", headArchetype);
	serializer.Write("invulnerableTime", invulnerableTime).Write("golemTeam", golemTeam).Write("golemDamage", golemDamage);
	for (const DamageablePart& part : parts)
	{
		serializer.EnterNode("", "");
		serializer.Write("hitsRequired", part.hitsRequired);
		for (const std::string& bone : part.bones)
			serializer.Write("bone", bone);
		serializer.LeaveNode();
	}
	return true;
}

bool Golem::Start()
{
	armed = false;
	ragdolled = false;
	owner->RegisterHandler("SummonScraps", &Golem::OnSummonScraps);
	owner->RegisterHandler("Ragdoll", &Golem::OnRagdoll);
	owner->RegisterHandler("Created", &Golem::OnCreated);
	owner->RegisterHandler("ReeledIn", &Golem::OnReeledIn);
	owner->HandleMessage(Message("ActivateBehaviors").PushBool(false));
	summoning = false;
	firstReel = true;
	return true;
}

void Golem::Detach()
{
	const unsigned golemId = owner->GetId();
	for (const auto& [bone, scraps] : scrapsByBone)
		for (const unsigned scrap : scraps)
			ObjectFromId(scrap).object->DropHandlers(golemId);
}

void Golem::GetScrapsByName(const std::string& bone, unsigned n, std::vector<unsigned>& scraps) const
{
	const auto found = scrapsByBone.find(bone);
	if (found == scrapsByBone.end())
		return;
	const std::size_t count = std::min<std::size_t>(n, found->second.size());
	scraps.insert(scraps.end(), found->second.begin(), found->second.begin() + static_cast<std::ptrdiff_t>(count));
}

void Golem::OnCreated(Message::Reader)
{
	scrapPlaces.clear();
	const GolemModel* model = owner->GetComponent<GolemModel>();
	if (model != nullptr && model->GetMedia() != nullptr)
		scrapPlaces = GolemPlaces::Read(model->GetMedia()->media, model->GetModelName());
	const Transform* transform = owner->GetComponent<Transform>();
	const Tuple3f scale = transform != nullptr ? transform->GetScale() : Tuple3f(1.0f, 1.0f, 1.0f);
	GolemPlaces::Prune(scrapPlaces, headBoneName, scrapScale * (scrapSpacing * 0.5f), scale);
	owner->HandleMessage(Message("SetPoints").Push(static_cast<const std::vector<GolemPoints::PointDescription>*>(&scrapPlaces)));
}

void Golem::OnSummonScraps(Message::Reader)
{
	if (summoning)
		return;
	summoning = true;
	const Transform* transform = owner->GetComponent<Transform>();
	const Tuple3f centre = transform != nullptr ? transform->GetWorldPosition() : Tuple3f();
	bool found = false;
	std::vector<RigidBody*> bodies;
	Engine::SendMessage(Message("PhysicsQueryPrimitive").Push(&found).PushInt(kGeometrySphere).Push(centre)
		.Push(Tuple3f(1.0f, 0.0f, 0.0f)).Push(Tuple3f(summonRadius, summonRadius, summonRadius)).Push(&bodies));
	SendToHead(Message("Connect").PushU32(owner->GetId()));
	GolemPoints* points = Points();
	for (RigidBody* body : bodies)
	{
		if (body->inverseMass == 0.0f && !body->HasFlag(kBodyLogic))
			continue;
		const unsigned scrapId = body->ownerId;
		const Object scrap = ObjectFromId(scrapId);
		if (scrap.IsDummy() || scrapId == owner->GetId() || IsLogicObject(scrapId) || scrap.object->GetComponent<PhysicsId>() != nullptr)
			continue;
		const int pointIndex = points != nullptr ? points->AttachObject(scrapId) : -1;
		if (pointIndex < 0)
			break;
		AttachScrap(scrapId, pointIndex);
	}
	ActivatePartParticles(true);
}

void Golem::AttachScrap(unsigned scrapId, int pointIndex)
{
	Composition& scrap = *ObjectFromId(scrapId).object;
	scrap.SetGroup(owner->GetGroupId());
	scrap.RegisterHandler("Explode", &Golem::OnExplode, owner->GetId());
	const std::string& bone = static_cast<std::size_t>(pointIndex) < scrapPlaces.size()
		? scrapPlaces[static_cast<std::size_t>(pointIndex)].bone : headBoneName;
	for (std::size_t part = 0; part < parts.size(); ++part)
		if (std::find(parts[part].bones.begin(), parts[part].bones.end(), bone) != parts[part].bones.end())
		{
			partsByScrap[scrapId] = part;
			break;
		}
	scrapsByBone[bone].push_back(scrapId);
	AddStarted<Scaler>(scrap, [this](Serializer& fields) { fields.Write("endScale", scrapScale).Write("timeout", scrapShrinkTime); });
	if (RigidBody* body = RigidBodyOf(scrap))
		body->flags |= kBodyGhost;
}

void Golem::OnReeledIn(Message::Reader)
{
	armed = true;
	if (firstReel)
	{
		for (const auto& [bone, scraps] : scrapsByBone)
			for (const unsigned scrapId : scraps)
			{
				const Object scrap = ObjectFromId(scrapId);
				if (scrap.IsDummy())
					continue;
				AddStarted<TeamDamage>(*scrap.object,
					[this](Serializer& fields) { fields.Write("teamName", golemTeam).Write("damage", golemDamage); });
				if (RigidBody* body = RigidBodyOf(*scrap.object))
					body->flags &= ~kBodyGhost;
			}
		firstReel = false;
	}
	ActivatePartParticles(true);
}

void Golem::OnRagdoll(Message::Reader reader)
{
	const bool on = reader.Read<bool>();
	if (on == ragdolled)
		return;
	ragdolled = on;
	if (!armed)
	{
		if (!on)
		{
			SendToHead(Message("Connect").PushU32(owner->GetId()));
			ReverseScrapScalers();
		}
		return;
	}
	if (on)
	{
		ReverseScrapScalers();
		armed = false;
		SendToHead(Message("Disconnect"));
		ActivatePartParticles(false);
	}
	else
		ActivatePartParticles(true);
}

void Golem::OnExplode(Message::Reader reader)
{
	const unsigned scrapId = reader.objectId;
	const Object scrap = ObjectFromId(scrapId);
	const std::uint32_t now = Logic::GameMilliseconds();
	if (!armed || now - lastHitTime < invulnerableTime)
		return;
	const RigidBody* body = RigidBodyOf(*scrap.object);
	if (body != nullptr && body->HasFlag(kBodyNoGravity))
		return;
	const auto found = partsByScrap.find(scrapId);
	GolemPoints* points = Points();
	// A scrap let go by new points or shed earlier no longer belongs to the golem.
	if (found == partsByScrap.end() || points == nullptr || !points->IsAttached(scrapId))
	{
		scrap.object->DropHandlers(owner->GetId());
		return;
	}
	DamageablePart& part = parts[found->second];
	part.hits += 1;
	float ratio = static_cast<float>(part.hits) / (2.0f * static_cast<float>(part.hitsRequired));
	const bool complete = part.IsComplete();
	if (complete)
	{
		ratio = 1.1f;
		owner->HandleMessage(Message("Ragdoll").PushBool(true));
		owner->HandleMessage(Message("RevaluateBehavior"));
	}
	const float threshold = static_cast<float>(1.0 - static_cast<double>(ratio));
	for (const std::string& bone : part.bones)
	{
		const auto list = scrapsByBone.find(bone);
		if (list == scrapsByBone.end())
			continue;
		std::vector<unsigned>& scraps = list->second;
		for (std::size_t i = 0; i < scraps.size();)
		{
			const float draw = static_cast<float>(tw::Rand() / static_cast<double>(tw::kRandMax));
			if (!(draw > threshold))
			{
				++i;
				continue;
			}
			ShedScrap(scraps[i], complete);
			scraps[i] = scraps.back();
			scraps.pop_back();
		}
	}
	if (complete && AllPartsComplete())
	{
		owner->HandleMessage(Message("Death"));
		owner->Destroy();
	}
	lastHitTime = now;
}

void Golem::ShedScrap(unsigned scrapId, bool partComplete)
{
	if (GolemPoints* points = Points())
		points->ReleaseObject(scrapId);
	Composition& scrap = *ObjectFromId(scrapId).object;
	scrap.SetGroup(0);
	if (partComplete)
		scrap.HandleMessage(Message("ReverseScaler"));
	scrap.HandleMessage(Message("RestartScaler"));
	scrap.RemoveComponent(__ScalerName::name);
	scrap.RemoveComponent(__TeamDamageName::name);
	scrap.DropHandlers(owner->GetId());
	partsByScrap.erase(scrapId);
}

void Golem::ActivatePartParticles(bool on) const
{
	for (const DamageablePart& part : parts)
		for (const std::string& bone : part.bones)
			owner->HandleMessage(Message("ParticleActivate").PushString(bone).PushBool(on));
}

void Golem::ReverseScrapScalers() const
{
	const unsigned golemId = owner->GetId();
	for (const auto& [bone, scraps] : scrapsByBone)
		for (const unsigned scrapId : scraps)
			if (scrapId != golemId)
			{
				SendToObject(scrapId, Message("ReverseScaler"));
				SendToObject(scrapId, Message("RestartScaler"));
			}
}

void Golem::SendToHead(const Message& message) const
{
	ObjectFromName(headArchetype).object->HandleMessage(message);
}

GolemPoints* Golem::Points() const
{
	return owner->GetComponent<GolemPoints>();
}

bool Golem::AllPartsComplete() const
{
	return std::all_of(parts.begin(), parts.end(), [](const DamageablePart& part) { return part.IsComplete(); });
}
