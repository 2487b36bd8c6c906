// The game's start-up with one test-only component, "PlacementReporter", which writes on stderr
// where its object starts and where it ends, and whether its body sleeps at the end. The physics
// end-to-end test puts it on the player and the boxes of a test level and plays with real keys.
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "PlayerCue.h"
#include "QuietComponent.h"
#include "Startup.h"
#include "Systems/Physics/RigidBody.h"

#include <iostream>

namespace
{
	struct __PlacementReporterName
	{
		static constexpr const char* name = "PlacementReporter";
	};

	class PlacementReporter : public test::QuietComponent<PlacementReporter, __PlacementReporterName>
	{
	public:
		bool Start() override
		{
			Report("start");
			return true;
		}
		// Objects go before the systems when the game ends: the body is still there.
		void Detach() override { Report("end"); }

	private:
		void Report(const char* when) const
		{
			const Transform* transform = owner->GetComponent<Transform>();
			const Body* body = owner->GetComponent<Body>();
			if (transform == nullptr || body == nullptr || body->GetBody() == nullptr)
				return;
			const Tuple3f position = transform->GetWorldPosition();
			std::cerr << when << " " << owner->GetName() << " " << position.x << " " << position.y << " " << position.z
					  << " " << (body->GetBody()->IsAsleep() ? "asleep" : "awake") << std::endl;
		}
	};
}

int main(int argc, char** argv)
{
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, [](Engine&) { PlacementReporter::Register(); },
		[](Engine& engine) { engine.AddSystem(new test::FrameCounter()); });
}
