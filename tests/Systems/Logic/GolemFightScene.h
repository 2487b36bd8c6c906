// The golem fight as a level stages it, headless with real physics: the shipped golem, head and
// scrap archetypes (the model and ragdoll written where the game finds them), twenty loose scraps about the
// golem and a player a few strides away. The fight tests drive it frame by frame; a test of another
// way to stand the golem up reuses the scene and replaces the step that does it.
#pragma once

#include "Archetype.h"
#include "Components/Logic/GolemWorld.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace test
{
	class GolemFightScene
	{
	public:
		static constexpr unsigned kScraps = 20;
		static constexpr unsigned kFramesPerSecond = 62;

		explicit GolemFightScene(unsigned seed = 1) : world(seed)
		{
			const std::string data = std::string(TW_TEST_DATA_DIR) + "../../Data/";
			for (const char* archetype : {"Golem.xml", "GolemHead.xml", "Scrap.xml"})
				world.engine.userFolder.WriteFile(std::string("Objects/") + archetype, FileText(data + "Objects/" + archetype));
			world.engine.userFolder.WriteFile(std::string("Models/") + kGolemModelFile, FileText(data + "Models/" + kGolemModelFile));
			world.engine.userFolder.WriteFile(std::string("PhysicsModels/") + kGolemRagdollFile,
				FileText(data + "PhysicsModels/" + kGolemRagdollFile));
			head = Started(CreateObjectFromArchetype("GolemHead.xml"), {"Connect", "Disconnect"}, &headLog);
			golem = Started(CreateObjectFromArchetype("Golem.xml"), {"ReeledIn", "Ragdoll", "RevaluateBehavior", "Death"}, &golemLog);
			for (unsigned i = 0; i < kScraps; ++i)
			{
				const float angle = 6.2831853f * static_cast<float>(i) / kScraps;
				const Object scrap = CreateObjectFromArchetype("Scrap.xml");
				scrap.object->Start();
				scrap.object->HandleMessage(Message("SetPos").Push(Tuple3f(3.5f * std::cos(angle), 0.3f, 3.5f * std::sin(angle))));
				scraps.push_back(scrap);
			}
			player = world.AddPlayer(Tuple3f(0, 1.0f, 9));
		}

		static std::string FileText(const std::string& path)
		{
			std::ifstream file(path, std::ios::binary);
			std::ostringstream text;
			text << file.rdbuf();
			EXPECT_FALSE(text.str().empty()) << path;
			return text.str();
		}

		// Frames until the condition holds; false when it has not after the seconds.
		template <class Condition>
		bool FrameUntil(Condition condition, float seconds)
		{
			for (unsigned frame = 0; frame < static_cast<unsigned>(seconds * kFramesPerSecond); ++frame)
			{
				if (condition())
					return true;
				world.Frame();
			}
			return condition();
		}

		// What a blast at the scrap does to the golem: "Explode" at a scrap of the part that is
		// hanging and solid, once the golem's invulnerable time has passed. False when there is none.
		bool BlastPart(std::size_t part)
		{
			world.Frame(kFramesPerSecond);
			for (const unsigned id : GolemWorld::PartScraps(golem, part))
				if (!GolemWorld::RigidBodyOf(ObjectFromId(id)).HasFlag(kBodyNoGravity))
				{
					GolemWorld::Explode(id);
					return true;
				}
			return false;
		}

		GolemWorld world;
		Object head;
		Object golem;
		Object player;
		std::vector<Object> scraps;
		MessageLog* headLog = nullptr;
		MessageLog* golemLog = nullptr;

	private:
		static Object Started(const Object& object, std::initializer_list<const char*> logged, MessageLog** log)
		{
			EXPECT_FALSE(object.IsDummy());
			*log = &Listen(object, logged);
			object.object->Start();
			return object;
		}
	};
}
