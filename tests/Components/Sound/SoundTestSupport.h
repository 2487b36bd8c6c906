// Test support for the Sound system and the sound components: an engine whose Sound system mixes on
// the loopback device, tone files in a scratch folder, components loaded from data text, and what
// the mix holds after some frames.
#pragma once

#include "Components/Sound/SoundTable.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "FrameTimer.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Serializer.h"
#include "Sound.h"
#include "SoundLibrary/SampleSounds.h"
#include "Systems/TestEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace test
{
	class SoundTest : public ::testing::Test
	{
	protected:
		// Heard: a tone of peak 0.5 in the mix gives about 0.35 at its frequency.
		static constexpr double kHeard = 0.05;

		void TearDown() override
		{
			ObjectGroup::DestroyAll();
			DestroyAllObjects();
		}

		// An engine with a Sound system of these settings (inside "Sound"), unmuted unless they say.
		Sound& StartEngine(const std::string& settings = "")
		{
			const std::string mute = settings.find("<Mute>") == std::string::npos ? "<Mute>false</Mute>" : "";
			// One engine at a time: only the first of two becomes the instance the components find.
			engine.reset();
			engine = std::make_unique<TestEngine>("<Config><Sound>" + mute + settings + "</Sound></Config>");
			// The tone files are the game's own: sounds are read only from its folders.
			AddSearchPath(folder.Path());
			sound = new Sound(snd::Output::kLoopback);
			engine->engine->AddSystem(sound);
			LastFrameTook(FrameTimer::kFrameMilliseconds);
			return *sound;
		}

		// The frame timer as after a frame of that many milliseconds: the mix of each update is that
		// long, whatever frames an earlier test ran.
		static void LastFrameTook(std::uint32_t milliseconds)
		{
			std::uint32_t now = 0;
			FrameTimer& timer = FrameTimer::Instance();
			const FrameTimer::Clock before = timer.SetClock({[&] { return now; }, [&](std::uint32_t ms) { now += ms; }});
			timer.StartFrame();
			now += milliseconds;
			timer.EndFrame();
			timer.SetClock(before);
		}

		// A sine of peak 0.5 in a scratch file; its path. Frequency 0 writes noise.
		std::string ToneFile(float frequency, float seconds = 2.0f)
		{
			const std::string path = folder.Path() + "tone" + std::to_string(files++) + ".wav";
			EXPECT_TRUE(WriteSound(path, Tone(frequency, 0.5f, seconds), 1));
			return path;
		}

		// Runs the Sound system for that long; what the mix held meanwhile, after a first frame in
		// which volume and pause changes ramp in.
		const std::vector<float>& Play(float seconds = 0.1f)
		{
			sound->Update();
			mix.clear();
			for (float played = 0.0f; played < seconds; played += 0.016f)
			{
				sound->Update();
				mix.insert(mix.end(), sound->system->LastMix().begin(), sound->system->LastMix().end());
			}
			return mix;
		}
		// The RMS at the frequency, or of the whole left channel, over that much play.
		double Heard(double frequency, float seconds = 0.1f) { return FrequencyRms(WholeMix(Play(seconds)), frequency); }
		double Level(float seconds = 0.1f) { return Rms(WholeMix(Play(seconds)), 0); }

		// A started object carrying a component of type T loaded from the data text (the
		// component element's inside).
		template <class T>
		T& MakeStarted(const std::string& data, const std::string& name = "Speaker")
		{
			Object object = CreateObject(name);
			Serializer serializer;
			std::istringstream text("<Component>" + data + "</Component>");
			EXPECT_TRUE(serializer.LoadFromStream(text, name + std::to_string(files++) + ".xml"));
			object.object->AddComponent(T::TypeId(), serializer);
			object.object->Start();
			return *object.object->template GetComponent<T>();
		}

		// Puts the component's object at the position (adding a Transform); its sounds play there.
		static void PlaceAt(Component& component, const Tuple3f& position)
		{
			if (component.owner->GetComponent<Transform>() == nullptr)
				component.owner->AddComponent(Transform::TypeId());
			component.owner->GetComponent<Transform>()->SetWorldPosition(position);
		}
		static void Send(Component& component, const Message& message) { component.owner->HandleMessage(message); }

		// A table entry's data: element, name, file, volume.
		static std::string Entry(const std::string& name, const std::string& file, float volume = 1.0f, const std::string& element = "effect")
		{
			return "<" + element + "><string name=\"Name\">" + name + "</string><string name=\"Filename\">" + file + "</string><float name=\"Volume\">" +
				   std::to_string(volume) + "</float></" + element + ">";
		}

		TempFolder folder;
		std::unique_ptr<TestEngine> engine;
		// Owned by the engine.
		Sound* sound = nullptr;
		int files = 0;
		std::vector<float> mix;
	};
}
