// A world for the particle tests: the physics component world (so bodies, the physics step and its
// pause exist) with the ParticleManager added, emitters made from group text as a level file gives
// it, and single setters read from their values.
#pragma once

#include "Components/Graphics/PointSprite.h"
#include "Components/Physics/ParticleSystem.h"
#include "Components/Physics/PhysicsComponentWorld.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Particle/ParticleSetterRegistry.h"

#include <memory>
#include <sstream>
#include <string>

namespace test
{
	inline std::string SetterXml(const std::string& name, const std::string& values = "")
	{
		return "<Setter><string>" + name + "</string>" + values + "</Setter>";
	}

	inline std::string GroupXml(const std::string& name, bool active, bool steady, const std::string& interval, const std::string& spawn,
		const std::string& update = "", const std::string& draw = "")
	{
		return "<ParticleGroup><string>" + name + "</string><bool>" + (active ? "true" : "false") + "</bool><bool>" +
			(steady ? "true" : "false") + "</bool><float>" + interval + "</float><Setters>" + spawn + "</Setters><Setters>" + update +
			"</Setters><Setters>" + draw + "</Setters></ParticleGroup>";
	}

	// Lives long enough for any test.
	inline std::string LongLife()
	{
		return SetterXml("Spawn_Lifetime_Default", "<float>100</float>");
	}

	// What a ParticleSystem or a setter writes, as file text.
	inline std::string SavedText(const std::function<void(Serializer&)>& write)
	{
		Serializer writer;
		write(writer);
		std::ostringstream text;
		writer.SaveToStream(text);
		return text.str();
	}

	// The setter named first in the document's values, cloned from the registry and read from the rest.
	inline std::unique_ptr<ParticleSetter> ReadSetter(const std::string& document)
	{
		static int reads = 0;
		std::istringstream text(document);
		Serializer serializer;
		EXPECT_TRUE(serializer.LoadFromStream(text, std::string("ParticleSetterText") + std::to_string(++reads)));
		const ParticleSetter* prototype = ParticleSetterLookup(serializer.ReadString());
		if (prototype == nullptr)
			return nullptr;
		std::unique_ptr<ParticleSetter> setter = prototype->Clone();
		setter->Deserialize(serializer);
		return setter;
	}

	inline std::unique_ptr<ParticleSetter> MakeSetter(const std::string& name, const std::string& values = "")
	{
		return ReadSetter(SetterXml(name, values));
	}

	// The setter attached to the owner and refreshed for this frame.
	inline std::unique_ptr<ParticleSetter> Attached(const std::string& name, const std::string& values, unsigned ownerId = 0)
	{
		std::unique_ptr<ParticleSetter> setter = MakeSetter(name, values);
		setter->Attach(ownerId);
		setter->Refresh();
		return setter;
	}

	// The setter's name and parameters as it saves them.
	inline std::string SavedSetter(ParticleSetter& setter)
	{
		return SavedText([&](Serializer& writer) {
			writer.Write("name", setter.name);
			setter.Serialize(writer);
		});
	}

	inline Particle Applied(ParticleSetter& setter, Particle particle = Particle())
	{
		setter.Apply(particle);
		return particle;
	}

	class ParticleWorld : public PhysicsComponentWorld
	{
	public:
		ParticleWorld()
		{
			manager = new ParticleManager();
			engine.engine->AddSystem(manager);
			PointSprite::Register();
		}

		// A started ParticleSystem of the groups on a new object, with a PointSprite (not started, so
		// drawing nothing) when asked.
		ParticleSystem& AddEmitter(const std::string& groups, bool withSprite = false, const std::string& name = "Emitter")
		{
			const Object object = CreateObject(name);
			if (withSprite)
				AddLoaded(object, PointSprite::TypeId(), "<Tuple3f>1 0 0</Tuple3f><float>8</float><float>64</float><float>1</float>"
					"<float>1</float><string>GL_SRC_ALPHA</string><string>GL_ONE</string><bool>false</bool>");
			AddLoaded(object, ParticleSystem::TypeId(), groups);
			ParticleSystem& system = *object.object->GetComponent<ParticleSystem>();
			system.Start();
			return system;
		}

		void Frames(int count)
		{
			for (int i = 0; i < count; ++i)
				manager->Update();
		}

		// Owned by the engine.
		ParticleManager* manager = nullptr;
	};

	inline std::size_t CountOf(const ParticleSystem& system, const std::string& group)
	{
		return system.FindGroup(group)->particles.size();
	}
}
