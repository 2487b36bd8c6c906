// What the tests of the message-storing components share: a game world with a Listener type that
// records the messages its object hears (name, numeric arguments and which message object it was),
// component loading from level text, the save form, and the diagnostics printed meanwhile.
#pragma once

#include "Components/QuietComponent.h"
#include "Serializer.h"
#include "Systems/Logic/GameWorld.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace test
{
	struct Heard
	{
		std::string name;
		std::vector<float> args;
		const void* message;
	};

	struct __ListenerName
	{
		static constexpr const char* name = "Listener";
	};

	// Its values are the message names it listens to.
	class Listener : public QuietComponent<Listener, __ListenerName>
	{
	public:
		static std::vector<Heard>& Log()
		{
			static std::vector<Heard> log;
			return log;
		}
		bool Load(Serializer& serializer) override
		{
			while (serializer.HasValue())
				owner->RegisterHandler(serializer.ReadString(), &Listener::OnHeard);
			return true;
		}
		void OnHeard(Message::Reader reader)
		{
			Heard heard{reader.name, {}, reader.current};
			while (reader.HasMore())
				heard.args.push_back(reader.Read<float>());
			Log().push_back(heard);
		}
	};

	class StoredMessageWorld : public GameWorld
	{
	public:
		StoredMessageWorld()
		{
			Listener::Register();
			Listener::Log().clear();
		}

		// An object holding the component loaded from the values and a Listener for the names.
		template <class T>
		static Object Add(const std::string& name, const std::string& values, const std::string& listenTo = "")
		{
			const Object object = CreateObject(name);
			AddLoaded(object, T::TypeId(), values);
			AddLoaded(object, Listener::TypeId(), listenTo);
			return object;
		}
		template <class T>
		static T& Of(const Object& object)
		{
			return *object.object->GetComponent<T>();
		}
		static std::vector<std::string> HeardNames()
		{
			std::vector<std::string> names;
			for (const Heard& heard : Listener::Log())
				names.push_back(heard.name);
			return names;
		}
		// A new object whose component of the type is loaded from what the original saves.
		template <class T>
		static Object Reloaded(const Object& original, const std::string& listenTo = "")
		{
			Serializer saved;
			Of<T>(original).Serialize(saved);
			saved.SwitchToReading();
			const Object copy = CreateObject(original.object->GetName());
			copy.object->AddComponent(T::TypeId(), saved);
			AddLoaded(copy, Listener::TypeId(), listenTo);
			return copy;
		}
	};

	// What the call printed on stderr.
	template <class Call>
	std::string Printed(Call call)
	{
		testing::internal::CaptureStderr();
		call();
		tw::Diagnostics::EndFrame();
		return testing::internal::GetCapturedStderr();
	}

	inline std::string Str(const std::string& text)
	{
		return "<string>" + text + "</string>";
	}
	inline std::string Element(const std::string& values)
	{
		return "<Element>" + values + "</Element>";
	}
}
