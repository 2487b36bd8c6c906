#include "Systems/Input/HeadTracking.h"

#include "ComponentFactory.h"
#include "Systems/Input/InputTestRig.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
	struct __UpdateCounterName
	{
		static constexpr const char* name = "UpdateCounter";
	};

	// Stands in for a head tracker to count how often the Input system drives it.
	class UpdateCounter : public ComponentBase<UpdateCounter, __UpdateCounterName>
	{
	public:
		bool Load(Serializer&) override { return true; }
		bool Serialize(Serializer&) override { return true; }
		bool Start() override { return true; }
		bool Update() override
		{
			++updates;
			return true;
		}
		void Detach() override {}

		int updates = 0;
	};
}

TEST(HeadTracking, CloneOwnsItsOwnDots)
{
	HeadTracking source;
	source.GetDots().push_back(Tuple3<float>(1.0f, 2.0f, 3.0f));
	std::unique_ptr<HeadTracking> clone(static_cast<HeadTracking*>(source.Clone()));
	clone->GetDots().push_back(Tuple3<float>(4.0f, 5.0f, 6.0f));
	EXPECT_EQ(source.GetDots().size(), 1u);
	ASSERT_EQ(clone->GetDots().size(), 2u);
	EXPECT_EQ(clone->GetDots()[0].z, 3.0f);
	EXPECT_EQ(clone->GetName(), "HeadTracking");
}

TEST(HeadTracking, InputRegistersTheTypeOnce)
{
	InputTestRig rig;
	EXPECT_EQ(ComponentTypeIdFromName("HeadTracking"), HeadTracking::TypeId());
	const Component* prototype = GetComponentPrototype(HeadTracking::TypeId());
	rig.input->Initialize();
	EXPECT_EQ(GetComponentPrototype(HeadTracking::TypeId()), prototype);
}

TEST(HeadTracking, TheLaterStartedIsHookedAndDetachingEitherUnhooks)
{
	InputTestRig rig;
	HeadTracking first;
	HeadTracking second;
	first.Start();
	second.Start();
	EXPECT_EQ(rig.input->GetHeadTracker(), &second);
	first.Detach();
	EXPECT_EQ(rig.input->GetHeadTracker(), nullptr);
}

TEST(HeadTracking, InputDrivesTheHookedTrackerOncePerActiveFrame)
{
	InputTestRig rig;
	UpdateCounter tracker;
	rig.input->SetHeadTracker(&tracker);
	rig.Frame(1000);
	rig.Frame(1016);
	EXPECT_EQ(tracker.updates, 2);
	rig.SendPause(true);
	rig.Frame(1032);
	EXPECT_EQ(tracker.updates, 2);
	rig.input->SetHeadTracker(nullptr);
	rig.SendPause(false);
	rig.Frame(1048);
	EXPECT_EQ(tracker.updates, 2);
}
