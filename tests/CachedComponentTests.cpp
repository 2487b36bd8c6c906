#include "CachedComponent.h"
#include "EngineTestSupport.h"

#include <functional>
#include <utility>
#include <vector>

using namespace test;

namespace
{
	using CachedComponentTest = StoreTest;
}

// Whatever happens to the owner's components, the cached one is the one a fresh lookup finds.
TEST_F(CachedComponentTest, IsWhatAFreshLookupFindsThroughEveryChange)
{
	const Object owner = CreateObject("Spun");
	const Object other = CreateObject("Other");
	CachedComponent<Probe> cached;
	const std::vector<std::pair<const char*, std::function<void()>>> steps = {
		{"none yet", [] {}},
		{"added", [&] { owner.object->AddComponent(Probe::TypeId()); }},
		{"another object's added", [&] { other.object->AddComponent(Probe::TypeId()); }},
		{"replaced", [&] { owner.object->AddComponent(Probe::TypeId()); }},
		{"removal queued", [&] { owner.object->RemoveComponent("Probe"); }},
		{"removed", [] { ProcessObjectChanges(); }},
		{"added again", [&] { owner.object->AddComponent(Probe::TypeId()); }},
	};
	for (const auto& [step, change] : steps)
	{
		change();
		EXPECT_EQ(cached.Get(*owner.object), owner.object->GetComponent<Probe>()) << step;
	}
	// A copy may serve another object.
	CachedComponent<Probe> copy(cached);
	EXPECT_EQ(copy.Get(*other.object), other.object->GetComponent<Probe>());
	copy = cached;
	EXPECT_EQ(copy.Get(*other.object), other.object->GetComponent<Probe>());
}
