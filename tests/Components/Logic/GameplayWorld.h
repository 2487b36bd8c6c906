// What the gameplay component tests share: the headless game world, a MessageLog component that
// records the messages its object receives, objects with logic components loaded from values,
// hand-made "Collision" reports, and a figure that lies as a ragdoll.
#pragma once

#include "Components/Physics/RagdollFileWriter.h"
#include "Components/Physics/Ragdoll.h"
#include "Components/QuietComponent.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Physics/RigidBody.h"
#include "TempFolder.h"

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace test
{
	struct __MessageLogName
	{
		static constexpr const char* name = "MessageLog";
	};

	// Records "name arg1 arg2 ..." for every listened message its object receives.
	class MessageLog : public QuietComponent<MessageLog, __MessageLogName>
	{
	public:
		void Listen(std::initializer_list<const char*> names)
		{
			for (const char* name : names)
				owner->RegisterHandler(name, &MessageLog::OnMessage);
		}
		std::vector<std::string> Named(const std::string& name) const
		{
			std::vector<std::string> found;
			for (const std::string& entry : entries)
				if (entry.compare(0, name.size() + 1, name + " ") == 0 || entry == name)
					found.push_back(entry);
			return found;
		}
		std::size_t Count(const std::string& name) const { return Named(name).size(); }

		std::vector<std::string> entries;

	private:
		void OnMessage(Message::Reader reader)
		{
			std::string entry = reader.name;
			for (const Message::Argument* argument = reader.current; argument != nullptr; argument = argument->newer)
				entry += " " + argument->value->ToString();
			entries.push_back(entry);
		}
	};

	inline MessageLog& Listen(const Object& object, std::initializer_list<const char*> names)
	{
		MessageLog::Register();
		if (object.object->GetComponent<MessageLog>() == nullptr)
			object.object->AddComponent(MessageLog::TypeId());
		MessageLog& log = *object.object->GetComponent<MessageLog>();
		log.Listen(names);
		return log;
	}

	// "Collision" as the physics step reports it.
	inline Message Collision(unsigned otherId, RigidBody* otherBody, const Tuple3f& normal = Tuple3f(0, 1, 0),
		const Tuple3f& point = Tuple3f(1, 2, 3))
	{
		Message message("Collision");
		message.PushU32(otherId).Push(point).Push(normal).PushFloat(0.01f).Push(otherBody);
		return message;
	}

	class GameplayWorld : public GameWorld
	{
	public:
		using GameWorld::GameWorld;

		// The values of a Body with a unit cube collider that collides and has a bounding radius.
		static std::string CubeBody(const std::string& flags = "DEFAULT")
		{
			return BodyValues(flags, "CompositePrimitive", "0 0 0", UnitCube());
		}
		// The same with a sphere one unit across.
		static std::string SphereBody()
		{
			return BodyValues("DEFAULT", "CompositePrimitive", "0 0 0", UnitShape("sphere"));
		}

		// An object with a Transform at the position (and a cube Body when asked) and the component
		// loaded from the values; started.
		Object AddLogic(unsigned typeId, const std::string& values, const Tuple3f& position = Tuple3f(),
			bool withBody = false, const std::string& name = "Thing")
		{
			const Object object = withBody ? AddBodyObject(name, position, false, CubeBody()) : CreateObject(name);
			if (!withBody)
			{
				object.object->AddComponent(Transform::TypeId());
				object.object->GetComponent<Transform>()->SetWorldPosition(position);
				object.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			}
			AddLoaded(object, typeId, values);
			object.object->Start();
			return object;
		}

		// A one-part figure with a Body and a Ragdoll, lying as a ragdoll when asked.
		Object AddFigure(const Tuple3f& position, bool ragdolled)
		{
			const std::string path = folder.Path() + "/figure.rag";
			const auto bytes = RagdollFileBytes(FiveBoneSkeleton());
			std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
			const Object figure = AddBodyObject("Figure", position, false);
			std::string bones;
			for (const RagdollBoneEntry& bone : FiveBoneSkeleton())
				bones += "<Bone><string>" + bone.name + "</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f></Bone>";
			AddLoaded(figure, BoneTransform::TypeId(), bones);
			AddLoaded(figure, ::Ragdoll::TypeId(), "<string>" + path + "</string><bool>" + (ragdolled ? "true" : "false") +
				"</bool><Part><string>pelvis</string><Shape><string>cube</string><Tuple3f>0 0.2 0</Tuple3f><float>0.3</float></Shape></Part>");
			figure.object->Start();
			return figure;
		}

		// Steps physics alone, without the Logic pass.
		void Step(unsigned count = 1)
		{
			for (unsigned step = 0; step < count; ++step)
				physics->Update();
		}

		TempFolder folder;
	};
}
