#include "Components/Sound/MusicTrack.h"
#include "Components/Sound/SoundTestSupport.h"
#include "Components/Sound/Voice.h"

#include <sstream>

namespace
{
	using SoundTableTest = test::SoundTest;

	::SoundTable LoadTable(const std::string& data, ::SoundTable::Kind kind = ::SoundTable::Kind::kSound)
	{
		Serializer serializer;
		std::istringstream text("<Component>" + data + "</Component>");
		EXPECT_TRUE(serializer.LoadFromStream(text, "table.xml"));
		::SoundTable table;
		table.Load(serializer, kind);
		return table;
	}

	std::string Saved(const ::SoundTable& table)
	{
		Serializer serializer;
		serializer.EnterNode("", "Component");
		table.Serialize(serializer);
		serializer.LeaveNode();
		std::ostringstream text;
		serializer.SaveToStream(text);
		return text.str();
	}

	TEST_F(SoundTableTest, OneFileInTwoComponentsIsCreatedOnceAndCountedPerEntry)
	{
		Sound& system = StartEngine();
		const std::string file = ToneFile(600, 0.1f);
		const std::size_t soundsBefore = system.system->SoundCount();
		const ::SoundTable first = LoadTable(Entry("Jump", file));
		const ::SoundTable second = LoadTable(Entry("Land", file));
		EXPECT_EQ(system.system->SoundCount(), soundsBefore + 1);
		EXPECT_EQ(system.cache[file].second, 2);
		first.Release();
		second.Release();
		EXPECT_EQ(system.cache[file].second, 0);
	}

	// Music streams and loops; a voice of the same file is positioned: louder on the side it is on.
	TEST_F(SoundTableTest, AFileUsedAsMusicAndAsAnEffectIsCachedOnceAsEach)
	{
		Sound& system = StartEngine();
		const std::string tone = ToneFile(600, 0.1f);
		const std::size_t soundsBefore = system.system->SoundCount();
		::MusicTrack& track = MakeStarted<::MusicTrack>(Entry("Theme", tone), "Music");
		Voice& voice = MakeStarted<Voice>(Entry("Damage", tone));
		EXPECT_EQ(system.system->SoundCount(), soundsBefore + 2);
		PlaceAt(voice, Tuple3f(10.0f, 0.0f, 0.0f));
		Send(voice, Message("Damage"));
		const std::vector<float>& mix = Play(0.08f);
		EXPECT_GT(test::Rms(test::WholeMix(mix), 1), 2.0 * test::Rms(test::WholeMix(mix), 0));
		Send(track, Message("ChangeMusic").PushString("Theme"));
		Play(0.3f);
		EXPECT_GT(Heard(600, 0.2f), kHeard) << "a 0.1 s track heard after 0.3 s: it loops";
	}

	TEST_F(SoundTableTest, ElementsLoadByPositionWhateverTheirNamesAndRepeatedNamesKeepTheLast)
	{
		Sound& system = StartEngine();
		const std::string a = ToneFile(600, 0.1f);
		const std::string b = ToneFile(1000, 0.1f);
		const ::SoundTable table = LoadTable(Entry("Jump", a, 0.5f, "sound") + "<float>3</float>" + Entry("Jump", b, 0.25f) + Entry("Land", a, 1.0f, "x"));
		ASSERT_EQ(table.Entries().size(), 2u);
		EXPECT_EQ(table.Lookup("Jump").file, b);
		EXPECT_FLOAT_EQ(table.Lookup("Jump").volume, 0.25f);
		EXPECT_TRUE(table.Contains("Land"));
		EXPECT_EQ(system.cache[a].second, 2);
		EXPECT_EQ(system.cache[b].second, 1);
		const ::SoundTable reloaded = LoadTable(Saved(table).substr(Saved(table).find("<effect")));
		EXPECT_EQ(reloaded.Entries().size(), 2u);
		EXPECT_EQ(reloaded.Lookup("Land").file, a);
	}

	TEST_F(SoundTableTest, EmptyTableSavesNothingAndStartsNothing)
	{
		Sound& system = StartEngine();
		const ::SoundTable table = LoadTable("");
		EXPECT_EQ(Saved(table).find("effect"), std::string::npos);
		snd::Channel channel;
		table.Start(channel, "Jump", system.sfxGroup);
		EXPECT_FALSE(channel.isPlaying());
		EXPECT_EQ(table.Lookup("Jump").volume, 0.0f);
	}

	TEST_F(SoundTableTest, StartSequenceSetsVolumeGroupAndLoopAndTheRulesAdmit)
	{
		Sound& system = StartEngine();
		const ::SoundTable table = LoadTable(Entry("Half", ToneFile(1000, 0.05f), 0.5f) + Entry("Full", ToneFile(600, 0.05f), 1.0f));
		::SoundTable::StartOptions looped;
		looped.loop = true;
		snd::Channel channel;
		table.Start(channel, "Full", system.sfxGroup, looped);
		// The first channel plays on: its handle is overwritten, not stopped. Both outlast their 0.05 s.
		table.Start(channel, "Half", system.sfxGroup, looped);
		const double full = Heard(600, 0.2f);
		EXPECT_GT(full, test::SoundTest::kHeard);
		EXPECT_NEAR(Heard(1000), full * 0.5, full * 0.03);
		system.sfxGroup->setVolume(0.5f);
		EXPECT_NEAR(Heard(1000), full * 0.25, full * 0.03);
		EXPECT_TRUE(channel.isPlaying());
		EXPECT_FALSE(::SoundTable::SkipWhilePlaying(channel));
		EXPECT_TRUE(::SoundTable::RestartWhilePlaying(channel));
		EXPECT_FALSE(channel.isPlaying());
		EXPECT_TRUE(::SoundTable::SkipWhilePlaying(channel));
	}

	TEST_F(SoundTableTest, WithoutASoundSystemTablesLoadAndSaveOnly)
	{
		const ::SoundTable table = LoadTable(Entry("Jump", "Jump.wav"));
		EXPECT_EQ(table.CachedSound("Jump"), nullptr);
		EXPECT_NE(Saved(table).find("Jump.wav"), std::string::npos);
		snd::Channel channel;
		table.Start(channel, "Jump", nullptr);
		table.Release();
		EXPECT_FALSE(channel.isPlaying());
	}
}
