// The game's start-up with one test-only component, "BreathReporter", which writes on stderr what
// happens to its object in a breath: taken in ("PauseClock" true), let out ("PauseClock" false),
// shot ("ShotFromObj"), the velocity it is given, and where it is when the game ends. The breath
// end-to-end test puts it on the crate in front of the player and plays with real mouse buttons.
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "QuietComponent.h"
#include "PlayerCue.h"
#include "Startup.h"

#include <iostream>

namespace
{
	struct __BreathReporterName
	{
		static constexpr const char* name = "BreathReporter";
	};

	class BreathReporter : public test::QuietComponent<BreathReporter, __BreathReporterName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("PauseClock", &BreathReporter::OnPauseClock);
			owner->RegisterHandler("ShotFromObj", &BreathReporter::OnShotFromObj);
			owner->RegisterHandler("SetVelocity", &BreathReporter::OnSetVelocity);
			test::LeaveCue("playing");
			return true;
		}
		// Objects go before the systems when the game ends: the transform is still there.
		void Detach() override
		{
			if (const Transform* transform = owner->GetComponent<Transform>())
				Report("end", transform->GetWorldPosition());
		}

	private:
		void OnPauseClock(Message::Reader reader)
		{
			if (reader.Read<bool>())
			{
				std::cerr << "held " << owner->GetName() << std::endl;
				test::LeaveCue("held");
			}
			else
				test::LeaveCue("released");
		}
		void OnShotFromObj(Message::Reader) { std::cerr << "shot " << owner->GetName() << std::endl; }
		void OnSetVelocity(Message::Reader reader) { Report("velocity", reader.Read<Tuple3f>()); }

		void Report(const char* what, const Tuple3f& value) const
		{
			std::cerr << what << " " << owner->GetName() << " " << value.x << " " << value.y << " " << value.z << std::endl;
		}
	};
}

int main(int argc, char** argv)
{
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, [](Engine&) { BreathReporter::Register(); },
		[](Engine& engine) { engine.AddSystem(new test::FrameCounter()); });
}
