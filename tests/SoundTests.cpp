#include "Components/Sound/SoundTestSupport.h"

#include "ComponentFactory.h"
#include "Systems/Logic/GameWorld.h"
#include "Utilities/Diagnostics.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include <vector>

namespace
{
	using SoundSystem = test::SoundTest;

	TEST_F(SoundSystem, KeysNamingOneFileShareAnEntryWithTheLaterVolume)
	{
		const std::string click = ToneFile(600);
		Sound& system = StartEngine("<StartLevel>" + click + "</StartLevel><StartLevelVolume>0.3</StartLevelVolume><Quit>" + click +
									"</Quit><QuitVolume>0.7</QuitVolume>");
		ASSERT_EQ(system.interfaceSounds.size(), 2u);
		EXPECT_EQ(system.interfaceSounds[0].first, click);
		EXPECT_FLOAT_EQ(system.interfaceSounds[0].second.volume, 0.7f);
		EXPECT_NE(system.interfaceSounds[0].second.sound, nullptr);
		// Unset keys share the entry "", a null sound; all pause keys unset leave that one entry.
		EXPECT_EQ(system.interfaceSounds[1].first, "");
		ASSERT_EQ(system.pauseSounds.size(), 1u);
		EXPECT_EQ(system.pauseSounds[0].second.sound, nullptr);
		for (bool paused : {true, false, true, false})
			engine->engine->SendMessage(Message("Pause").PushBool(paused));
		EXPECT_LT(Level(), 1e-4);
		EXPECT_EQ(system.nextPauseSound, 0u);
	}

	TEST_F(SoundSystem, EachResumePlaysExactlyOnePauseSoundTheNextInTurn)
	{
		const std::vector<double> tones{600, 1000, 1400};
		std::string settings;
		for (std::size_t index = 0; index < tones.size(); ++index)
			settings += "<Pause" + std::to_string(index + 1) + ">" + ToneFile(static_cast<float>(tones[index])) + "</Pause" + std::to_string(index + 1) + ">";
		StartEngine(settings);
		// Pause4 and Pause5 are unset: the fourth resume plays their shared silent entry.
		struct Case { std::vector<bool> messages; double heard; };
		for (const Case& c : {Case{{true, false}, 600}, Case{{true, true, false}, 1000}, Case{{true, false}, 1400}, Case{{true, false}, 0},
							   Case{{true, false}, 600}})
		{
			for (bool paused : c.messages)
				engine->engine->SendMessage(Message("Pause").PushBool(paused));
			for (double tone : tones)
				EXPECT_EQ(Heard(tone) > kHeard, tone == c.heard) << tone << " expected " << c.heard;
		}
		engine->engine->SendMessage(Message("Pause").PushBool(true));
		EXPECT_LT(Level(), 1e-4);
	}

	// A level start sends "Pause"(false) to a game that was never paused.
	TEST_F(SoundSystem, PauseThatChangesNothingNeitherPlaysAPauseSoundNorCutsTheInterfaceSoundOff)
	{
		const std::string click = ToneFile(600);
		struct Case { std::vector<bool> pauses; bool clickHeard; bool pauseHeard; };
		for (const Case& c : {Case{{false}, true, false}, Case{{false, false}, true, false}, Case{{true, true}, false, false},
							   Case{{true, false, false}, false, true}})
		{
			Sound& system = StartEngine("<ButtonClick>" + click + "</ButtonClick><Pause1>" + ToneFile(1000) + "</Pause1>");
			system.PlaySound(click);
			for (bool paused : c.pauses)
				engine->engine->SendMessage(Message("Pause").PushBool(paused));
			const std::vector<float> mix = Play();
			EXPECT_EQ(test::FrequencyRms(test::WholeMix(mix), 600) > kHeard, c.clickHeard) << c.pauses.size() << " messages";
			EXPECT_EQ(test::FrequencyRms(test::WholeMix(mix), 1000) > kHeard, c.pauseHeard) << c.pauses.size() << " messages";
		}
	}

	TEST_F(SoundSystem, PlaySoundOfAKnownNameCutsOffTheInterfaceSoundAndAnUnknownOneDoesNot)
	{
		const std::string click = ToneFile(600);
		const std::string quit = ToneFile(1000);
		Sound& system = StartEngine("<ButtonClick>" + click + "</ButtonClick><Quit>" + quit + "</Quit>");
		system.PlaySound(click);
		EXPECT_GT(Heard(600), kHeard);
		system.PlaySound("Unknown.wav");
		EXPECT_GT(Heard(600), kHeard);
		system.PlaySound(quit);
		EXPECT_LT(Heard(600), kHeard);
		EXPECT_GT(Heard(1000), kHeard);
	}

	TEST_F(SoundSystem, MuteToggleRestoresTheMasterVolumeAndPauseLeavesItAlone)
	{
		const std::string click = ToneFile(600);
		Sound& system = StartEngine("<ButtonClick>" + click + "</ButtonClick>");
		system.masterGroup->setVolume(0.5f);
		system.PlaySound(click);
		const double half = Heard(600);
		EXPECT_GT(half, kHeard);
		engine->engine->SendMessage(Message("MuteAllSounds"));
		EXPECT_TRUE(system.muted);
		EXPECT_LT(Level(), 1e-4);
		engine->engine->SendMessage(Message("Pause").PushBool(true));
		engine->engine->SendMessage(Message("Pause").PushBool(false));
		EXPECT_TRUE(system.muted);
		system.PlaySound(click);
		engine->engine->SendMessage(Message("MuteAllSounds"));
		EXPECT_FALSE(system.muted);
		EXPECT_NEAR(Heard(600), half, half * 0.02);
	}

	TEST_F(SoundSystem, GoneObjectsLeaveTheSetAndSpentEffectEntriesTheListInTheNextUpdate)
	{
		Sound& system = StartEngine();
		Object gone = CreateObject("Gone");
		const Object kept = CreateObject("Kept");
		system.soundObjects.insert(gone.id);
		system.soundObjects.insert(kept.id);
		gone.object->QueueDestruction();
		ProcessObjectChanges();
		Sound::EffectEntry* spent = system.AddEffectEntry("Jump", "Jump.wav");
		system.AddEffectEntry("Land", "Land.wav");
		spent->uses = 0;
		system.Update();
		EXPECT_EQ(system.soundObjects.size(), 1u);
		EXPECT_EQ(system.soundObjects.count(kept.id), 1u);
		ASSERT_EQ(system.effects.size(), 1u);
		EXPECT_EQ(system.effects.front()->name, "Land");
	}

	TEST_F(SoundSystem, LevelChangeRestartsTheCreationCountAndKeepsSoundsPlaying)
	{
		const std::string click = ToneFile(600);
		Sound& system = StartEngine("<ButtonClick>" + click + "</ButtonClick>");
		system.PlaySound(click);
		system.CreationSoundCount = 5;
		system.Reload();
		EXPECT_EQ(system.CreationSoundCount, 0);
		EXPECT_GT(Heard(600), kHeard);
	}

	TEST_F(SoundSystem, MovingTheListenerBringsTheListenerChannelsToIt)
	{
		Sound& system = StartEngine();
		SoundTable table;
		Serializer serializer;
		std::istringstream text("<Component>" + Entry("Walk", ToneFile(600)) + "</Component>");
		ASSERT_TRUE(serializer.LoadFromStream(text, "walk.xml"));
		table.Load(serializer, SoundTable::Kind::kSound);
		const Tuple3f far(100, 0, 0);
		const Tuple3f still;
		SoundTable::StartOptions placed;
		placed.position = &far;
		placed.velocity = &still;
		table.Start(system.FootStepChannel1, "Walk", system.sfxGroup, placed);
		const double distant = Heard(600);
		// Forward and up need not be unit vectors: the Sound system normalises them.
		system.MoveListener(Tuple3f(-40, 0, 0), still, Tuple3f(0, 0, -2), Tuple3f(0, 3, 0));
		EXPECT_FLOAT_EQ(system.listenerUp.y, 1.0f);
		EXPECT_GT(Heard(600), 50 * distant);
	}

	TEST_F(SoundSystem, VolumesOutOfRangeAreClampedReportedAndSavedClamped)
	{
		struct Case
		{
			const char* key;
			const char* value;
			float expected;
			float (*volume)(const Sound&);
		};
		const Case cases[] = {
			{"EffectVolume", "3", 1.0f, [](const Sound& s) { return s.effectVolume; }},
			{"MusicVolume", "-2", 0.0f, [](const Sound& s) { return s.musicVolume; }},
			{"StartLevelVolume", "1.5", 1.0f, [](const Sound& s) { return s.interfaceSounds[0].second.volume; }},
			{"PauseVolume5", "-7", 0.0f, [](const Sound& s) { return s.pauseSounds[0].second.volume; }},
		};
		for (const Case& c : cases)
		{
			tw::Diagnostics::Flush();
			testing::internal::CaptureStderr();
			StartEngine(std::string("<StartLevel>Click.wav</StartLevel><") + c.key + ">" + c.value + "</" + c.key + ">");
			tw::Diagnostics::Flush();
			const std::string reported = testing::internal::GetCapturedStderr();
			EXPECT_NE(reported.find(std::string("\"") + c.key + "\""), std::string::npos) << reported;
			EXPECT_FLOAT_EQ(c.volume(*sound), c.expected) << c.key;
			const std::string configFolder = engine->userFolder.Path();
			engine->engine.reset();
			testing::internal::CaptureStderr();
			Engine restarted(TW_TEST_DATA_DIR "../../Data/", configFolder, "Tumblewreck.cfg");
			Sound* again = new Sound(snd::Output::kLoopback);
			restarted.AddSystem(again);
			tw::Diagnostics::Flush();
			EXPECT_EQ(testing::internal::GetCapturedStderr().find(c.key), std::string::npos) << "saved clamped";
			EXPECT_FLOAT_EQ(c.volume(*again), c.expected) << c.key;
		}
	}

	// A game below 15 frames a second without a sound device: a 1 s sound ends after 1.2 s of
	// frames of 200 ms each, not after 1.2 s of the frame times the animation is given.
	TEST_F(SoundSystem, TheLoopbackMixKeepsRealTimeBelowFifteenFramesASecond)
	{
		const std::string tone = ToneFile(600, 1.0f);
		Sound& system = StartEngine("<ButtonClick>" + tone + "</ButtonClick>");
		system.PlaySound(tone);
		LastFrameTook(200);
		for (int frame = 0; frame < 6; ++frame)
			system.Update();
		EXPECT_FALSE(system.InterfaceChannel.isPlaying());
		LastFrameTook(FrameTimer::kFrameMilliseconds);
	}

	TEST_F(SoundSystem, VolumesAndMuteSurviveARestart)
	{
		StartEngine();
		sound->SetVolume(0.25f, true);
		sound->SetVolume(0.5f, false);
		engine->engine->SendMessage(Message("MuteAllSounds"));
		const std::string configFolder = engine->userFolder.Path();
		engine->engine.reset();
		Engine restarted(TW_TEST_DATA_DIR "../../Data/", configFolder, "Tumblewreck.cfg");
		Sound* again = new Sound(snd::Output::kLoopback);
		restarted.AddSystem(again);
		EXPECT_FLOAT_EQ(again->musicVolume, 0.25f);
		EXPECT_FLOAT_EQ(again->effectVolume, 0.5f);
		EXPECT_TRUE(again->muted);
		EXPECT_FLOAT_EQ(again->masterGroup->getVolume(), 0.0f);
	}
}

namespace
{
	// A level whose only object plays the shipped menu track (a tone of RMS 0.2) at volume 1.
	constexpr const char* kMusicLevel = R"(<Level><string name="nextLevel">Music</string><string name="prevLevel">Music</string><ObjectGroup><Object>
		<string name="Archetype">Music</string><Component><string name="ComponentName">MusicTrack</string>
		<effect><string name="Name">StartTrack</string><string name="Filename">MenuTheme.ogg</string><float name="Volume">1</float></effect>
		</Component></Object></ObjectGroup></Level>)";

	TEST_F(SoundSystem, EndToEndALevelsMusicIsHeardUnlessMutedOrPausedAndResumingPlaysThePauseSound)
	{
		struct Case { const char* mute; std::vector<bool> pauses; double menuTrack; double pauseSound; };
		for (const Case& c : {Case{"false", {}, 0.05, 0}, Case{"true", {}, 0, 0}, Case{"false", {true}, 0, 0}, Case{"false", {true, false}, 0.05, 0.05}})
		{
			StartEngine(std::string("<Mute>") + c.mute + "</Mute><Pause1>Pause.wav</Pause1>");
			folder.WriteFile("Music.level", kMusicLevel);
			ASSERT_TRUE(engine->engine->LoadLevel(folder.Path() + "Music.level"));
			Play(120 * 0.016f);
			for (bool paused : c.pauses)
				engine->engine->SendMessage(Message("Pause").PushBool(paused));
			const double pauseTone = Heard(test::kPauseSoundFrequency, 0.4f);
			const double level = Level(0.5f);
			SCOPED_TRACE(std::string("mute ") + c.mute + ", pauses " + std::to_string(c.pauses.size()));
			if (c.menuTrack > 0)
				EXPECT_GT(level, c.menuTrack);
			else
				EXPECT_LT(level, 1e-4);
			EXPECT_EQ(pauseTone > 0.05, c.pauseSound > 0);
			ObjectGroup::DestroyAll();
			DestroyAllObjects();
		}
	}

	// The lair makes dozens of sounds: each decoded one closes its file, and only what is streamed
	// while it plays (its music and wind) keeps a file open.
	TEST(SoundInTheLair, OnlyItsStreamsKeepTheirFilesOpen)
	{
		test::GameWorld world;
		world.engine.engine->AddSystem(new Sound(snd::Output::kLoopback));
		std::vector<std::string> openSounds;
		std::map<unsigned, std::function<void()>> script;
		script[30] = [&] {
			for (const std::filesystem::directory_entry& descriptor : std::filesystem::directory_iterator("/proc/self/fd"))
			{
				std::error_code unreadable;
				const std::filesystem::path file = std::filesystem::read_symlink(descriptor.path(), unreadable);
				if (!unreadable && file.parent_path().filename() == "Sounds")
					openSounds.push_back(file.extension().string());
			}
			Engine::Instance()->RequestState(Engine::kQuit);
		};
		world.Run("Lair", script, 40);
		EXPECT_EQ(std::count(openSounds.begin(), openSounds.end(), ".wav"), 0);
		EXPECT_GT(std::count(openSounds.begin(), openSounds.end(), ".ogg"), 0) << "the music plays from its file";
	}

	TEST_F(SoundSystem, RegistersTheTenSoundComponentTypes)
	{
		ClearComponentFactory();
		StartEngine();
		for (const char* name : {"SoundEffect", "MusicTrack", "Ear", "SoundMaterial", "FootStep", "Voice", "HPSound", "AudioEvent", "BossSFX", "Ambience"})
		{
			const unsigned typeId = ComponentTypeIdFromName(name);
			ASSERT_NE(typeId, 0u) << name;
			EXPECT_EQ(GetComponentPrototype(typeId)->GetName(), name);
		}
	}
}
