// Fuzzes the readers of the logic components: the input is parsed as a document and read as each
// logic component in turn (the behaviour tree and every gameplay component) (Load), written (Serialize), read again from what was written and
// written once more. Whatever the file holds, a component takes what it can, reports the rest,
// and its second save equals its first: nothing it keeps is lost or changed by a round trip.
// Seed files live in tests/fuzz/corpus/LogicComponentFuzz/.
#include "Components/Logic/Activator.h"
#include "Components/Logic/AirJump.h"
#include "Components/Logic/AvailableObjects.h"
#include "Components/Logic/BehaviorTree.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/Boundary.h"
#include "Components/Logic/CameraShake.h"
#include "Components/Logic/CollisionDamage.h"
#include "Components/Logic/DamageReticle.h"
#include "Components/Logic/DeathClock.h"
#include "Components/Logic/DelayMessage.h"
#include "Components/Logic/DestroyOnMessage.h"
#include "Components/Logic/ExplodeOnHit.h"
#include "Components/Logic/Explosion.h"
#include "Components/Logic/FallDamage.h"
#include "Components/Logic/ForceField.h"
#include "Components/Logic/Golem.h"
#include "Components/Logic/Grabber.h"
#include "Components/Logic/Health.h"
#include "Components/Logic/HouseDestroyed.h"
#include "Components/Logic/Hover.h"
#include "Components/Logic/KnockOut.h"
#include "Components/Logic/Lungs.h"
#include "Components/Logic/MessageSpawn.h"
#include "Components/Logic/PathMovement.h"
#include "Components/Logic/Mover.h"
#include "Components/Logic/Objectives.h"
#include "Components/Logic/Popup.h"
#include "Components/Logic/PowerUp.h"
#include "Components/Logic/RagdollDeath.h"
#include "Components/Logic/RagdollLink.h"
#include "Components/Logic/RayCaster.h"
#include "Components/Logic/Reflection.h"
#include "Components/Logic/Relay.h"
#include "Components/Logic/Scaler.h"
#include "Components/Logic/ShootAtObject.h"
#include "Components/Logic/Spawner.h"
#include "Components/Logic/Spinner.h"
#include "Components/Logic/StaticMover.h"
#include "Components/Logic/StaticRotater.h"
#include "Components/Logic/Suck.h"
#include "Components/Logic/Switch.h"
#include "Components/Logic/TeamDamage.h"
#include "Components/Logic/Trampoline.h"
#include "Components/Logic/VelocityDamper.h"
#include "Components/Logic/WinCollision.h"
#include "Components/Logic/Windmill.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Logic/LogicTypes.h"
#include "Utilities/Diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>

namespace
{
	std::string Saved(Component& component)
	{
		Serializer writer;
		component.Serialize(writer);
		std::ostringstream text;
		if (!writer.SaveToStream(text))
			__builtin_trap();
		return text.str();
	}

	// Null when the text is no document.
	template <class T>
	std::unique_ptr<T> Loaded(const std::string& document, const std::string& name)
	{
		std::istringstream text(document);
		Serializer values;
		if (!values.LoadFromStream(text, name))
			return nullptr;
		auto component = std::make_unique<T>();
		component->owner = &DummyComposition::Instance();
		component->Load(values);
		return component;
	}

	template <class T>
	void RoundTrip(const std::string& document)
	{
		// The serializer keeps parsed documents by name: each type must read its own save.
		Serializer::ClearFileCache();
		const std::unique_ptr<T> first = Loaded<T>(document, "FuzzedComponent");
		if (first == nullptr)
			return;
		const std::string firstSave = Saved(*first);
		const std::unique_ptr<T> second = Loaded<T>(firstSave, "FuzzedComponentSaved");
		if (second == nullptr || Saved(*second) != firstSave)
			__builtin_trap();
		first->Detach();
		second->Detach();
	}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	// Diagnostics are expected on almost every input; printing them would only slow the run.
	std::cerr.rdbuf(nullptr);
	RegisterLogicBehaviors();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	const std::string document(reinterpret_cast<const char*>(data), size);
	// Every logic component that reads stored fields has its line here.
	RoundTrip<BehaviorTree>(document);
	RoundTrip<WinCollision>(document);
	RoundTrip<PowerUp>(document);
	RoundTrip<MessageSpawn>(document);
	RoundTrip<PowerUpCollector>(document);
	RoundTrip<DelayMessage>(document);
	RoundTrip<Switch>(document);
	RoundTrip<Relay>(document);
	RoundTrip<DestroyOnMessage>(document);
	RoundTrip<Golem>(document);
	RoundTrip<Windmill>(document);
	RoundTrip<AvailableObjects>(document);
	RoundTrip<RagdollLink>(document);
	RoundTrip<CollisionDamage>(document);
	RoundTrip<DamageReticle>(document);
	RoundTrip<DeathClock>(document);
	RoundTrip<ExplodeOnHit>(document);
	RoundTrip<Explosion>(document);
	RoundTrip<FallDamage>(document);
	RoundTrip<ForceField>(document);
	RoundTrip<Health>(document);
	RoundTrip<KnockOut>(document);
	RoundTrip<RagdollDeath>(document);
	RoundTrip<Reflection>(document);
	RoundTrip<TeamDamage>(document);
	RoundTrip<Trampoline>(document);
	RoundTrip<VelocityDamper>(document);
	RoundTrip<Mover>(document);
	RoundTrip<Hover>(document);
	RoundTrip<Spinner>(document);
	RoundTrip<StaticMover>(document);
	RoundTrip<StaticRotater>(document);
	RoundTrip<Popup>(document);
	RoundTrip<Boundary>(document);
	RoundTrip<CameraShake>(document);
	RoundTrip<ShootAtObject>(document);
	RoundTrip<Objectives>(document);
	RoundTrip<HouseDestroyed>(document);
	RoundTrip<Spawner>(document);
	RoundTrip<PathMovement>(document);
	RoundTrip<Scaler>(document);
	RoundTrip<Blow>(document);
	RoundTrip<Lungs>(document);
	RoundTrip<Suck>(document);
	RoundTrip<AirJump>(document);
	RoundTrip<RayCaster>(document);
	RoundTrip<Activator>(document);
	RoundTrip<Grabber>(document);
	Serializer::ClearFileCache();
	// The lines reported stay remembered until a frame ends; one input is one frame here.
	tw::Diagnostics::Flush();
	return 0;
}
