// The game's start-up with one test-only component, "MoveRecorder", which reports on stderr every
// "MoveForward" its object receives. The input end-to-end test puts it on the "Player" of a test
// level and drives the game with real key presses: the recorder cues "recording" as its level
// starts and "moved" at the first move forward.
#include "Composition.h"
#include "Engine.h"
#include "Message.h"
#include "PlayerCue.h"
#include "QuietComponent.h"
#include "Startup.h"

#include <iostream>

namespace
{
	struct __MoveRecorderName
	{
		static constexpr const char* name = "MoveRecorder";
	};

	class MoveRecorder : public test::QuietComponent<MoveRecorder, __MoveRecorderName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("MoveForward", &MoveRecorder::OnMoveForward);
			test::LeaveCue("recording");
			return true;
		}

	private:
		void OnMoveForward(Message::Reader reader)
		{
			const float argument = reader.Read<float>();
			std::cerr << "MoveForward " << argument << std::endl;
			if (argument > 0.0f)
				test::LeaveCue("moved");
		}
	};
}

int main(int argc, char** argv)
{
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, [](Engine&) { MoveRecorder::Register(); });
}
