#include "Systems/Physics/PhysicsWorld.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
	// The settings a world started with the one key gets, and what it printed.
	struct Started
	{
		PhysicsSettings settings;
		std::string printed;
	};

	Started StartWith(const std::string& key, const std::string& value)
	{
		tw::Diagnostics::Flush();
		testing::internal::CaptureStderr();
		test::PhysicsWorld world("<Physics><" + key + ">" + value + "</" + key + "></Physics>");
		tw::Diagnostics::Flush();
		return {world.Settings(), testing::internal::GetCapturedStderr()};
	}

	TEST(PhysicsSettings, PoolSizesBeyondRangeOrMemoryFallBackToTheDefaultAndStartingGoesOn)
	{
		const PhysicsSettings defaults;
		const struct
		{
			const char* key;
			int PhysicsSettings::* setting;
		} pools[] = {{"Max_Bodies", &PhysicsSettings::maxBodies}, {"Max_Contacts", &PhysicsSettings::maxContacts},
			{"Max_Manifolds", &PhysicsSettings::maxManifolds}, {"Max_Constraints", &PhysicsSettings::maxConstraints}};
		for (const auto& pool : pools)
			for (const char* value : {"2000000000", "-1", "0"})
			{
				const Started started = StartWith(pool.key, value);
				EXPECT_EQ(started.settings.*pool.setting, defaults.*pool.setting) << pool.key << ' ' << value;
				EXPECT_NE(started.printed.find(std::string("'") + pool.key + "' reads " + value), std::string::npos)
					<< started.printed;
				EXPECT_EQ(started.printed.find('\n'), started.printed.size() - 1) << "one line: " << started.printed;
			}
		EXPECT_EQ(StartWith("Max_Bodies", "3000").settings.maxBodies, 3000) << "a pool within the bounds is taken";
	}

	TEST(PhysicsSettings, ValuesOutsideTheirRangeAreRefusedNamingTheKey)
	{
		const struct
		{
			const char* key;
			const char* value;
			bool taken;
		} cases[] = {{"Time_Step", "0", false}, {"Time_Step", "-0.016", false}, {"Time_Step", "0.01", true},
			{"Constraint_Iterations", "0", false}, {"Constraint_Iterations", "2000000000", false},
			{"EPA_Iterations", "1", true}, {"Slop", "-0.1", false}, {"Sleep_Epsilon", "nan", false},
			{"EPA_Tolerance", "90", false}, {"Sleep_Timeout", "-1", false}, {"Baumgarte", "0", true}};
		for (const auto& c : cases)
		{
			const Started started = StartWith(c.key, c.value);
			EXPECT_EQ(started.printed.empty(), c.taken) << c.key << ' ' << c.value << ": " << started.printed;
			if (!c.taken)
			{
				EXPECT_NE(started.printed.find(std::string("'") + c.key + "'"), std::string::npos) << started.printed;
			}
		}
		EXPECT_FLOAT_EQ(StartWith("Time_Step", "-1").settings.timeStep, 0.016f) << "the default stays";
	}
}
