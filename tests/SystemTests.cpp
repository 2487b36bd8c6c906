#include "EngineTestSupport.h"

using test::Events;
using test::Names;

TEST(SystemBase, HandleMessageCallsTheHandlerOfTheNameOnlyAndReloadShutsDownThenInitialises)
{
	test::Alpha alpha;
	alpha.Initialize();
	Events().clear();
	alpha.HandleMessage(Message("Ping"));
	alpha.HandleMessage(Message("Unheard"));
	alpha.Reload();
	EXPECT_EQ(Events(), (Names{"Ping Alpha", "Shutdown Alpha", "Initialize Alpha"}));
	Events().clear();
}
