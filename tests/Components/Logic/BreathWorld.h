// What the breath component tests share: a game world with a camera at the eye looking down -z,
// a player object whose body the aim passes through (CONTROLLER), crates, and the component text
// of a Blow.
#pragma once

#include "Components/Logic/GameplayWorld.h"

#include <string>

namespace test
{
	class BreathWorld : public GameplayWorld
	{
	public:
		explicit BreathWorld(const Tuple3f& eyePosition = Tuple3f(0, 1, 0)) : eye(eyePosition) { AddCamera(eye); }

		// The player at the eye with the components (type id, values) loaded; started.
		Object AddPlayer(std::initializer_list<std::pair<unsigned, std::string>> components)
		{
			const Object player = AddBodyObject("Player", eye, false, CubeBody("CONTROLLER"));
			for (const auto& [typeId, values] : components)
				AddLoaded(player, typeId, values);
			player.object->Start();
			return player;
		}

		Object AddCrate(const Tuple3f& position, const std::string& flags = "DEFAULT")
		{
			return AddBodyObject("Crate", position, true, CubeBody(flags));
		}

		// Files the colliders made so far, as the physics step does: ray queries see them afterwards.
		void FileColliders() { Step(); }

		// A started body made static, as level data makes floors and walls.
		Object AddStatic(const std::string& name, const Tuple3f& position)
		{
			const Object object = AddBodyObject(name, position, true, CubeBody());
			object.object->HandleMessage(Message("SetStatic"));
			return object;
		}

		static std::string BlowValues(unsigned maxHeld, const std::string& gustFile = "gust.xml")
		{
			return "<unsigned>" + std::to_string(maxHeld) + "</unsigned><float>10</float><float>20</float><float>5</float>"
				"<float>1</float><float>3</float><string>" + gustFile + "</string>";
		}

		Tuple3f eye;
	};
}
