#include "Systems/Input/HeadTracking.h"

#include "ComponentFactory.h"
#include "Systems/Input/InputTestRig.h"

#include <gtest/gtest.h>

namespace
{
	// Counts how often the Input system drives it.
	class CountingHeadTracking : public HeadTracking
	{
	public:
		bool Update() override
		{
			++updates;
			return true;
		}
		int updates = 0;
	};
}

TEST(HeadTracking, InputRegistersTheTypeAndDrivesTheLatestStartedOncePerActiveFrame)
{
	InputTestRig rig;
	EXPECT_EQ(ComponentTypeIdFromName("HeadTracking"), HeadTracking::TypeId());
	CountingHeadTracking first;
	CountingHeadTracking second;
	first.Start();
	second.Start();
	EXPECT_EQ(rig.input->GetHeadTracker(), &second);
	rig.Frame(1000);
	rig.Frame(1016);
	rig.SendPause(true);
	rig.Frame(1032);
	EXPECT_EQ(second.updates, 2);
	EXPECT_EQ(first.updates, 0);
	first.Detach();
	EXPECT_EQ(rig.input->GetHeadTracker(), nullptr) << "detaching either unhooks";
	rig.SendPause(false);
	rig.Frame(1048);
	EXPECT_EQ(second.updates, 2);
}
