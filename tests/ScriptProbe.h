// A component for the script bridge's tests that hears "Probe" (an int, then a string) and keeps
// what each one carried, oldest first.
#pragma once

#include "Composition.h"
#include "Message.h"
#include "QuietComponent.h"

#include <string>
#include <vector>

namespace test
{
	struct __ScriptProbeName
	{
		static constexpr const char* name = "ScriptProbe";
	};

	class ScriptProbe : public QuietComponent<ScriptProbe, __ScriptProbeName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("Probe", &ScriptProbe::OnProbe);
			return true;
		}
		void OnProbe(Message::Reader reader)
		{
			const int number = reader.Read<int>();
			heard.push_back(std::to_string(number) + " " + reader.Read<std::string>());
		}

		static inline std::vector<std::string> heard;
	};
}
