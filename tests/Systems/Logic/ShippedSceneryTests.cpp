// The shipped levels as a player sees and hears their surroundings: the ground runs on past what the
// camera can see, every prop stands on the ground or on another prop, and the effects a level
// declares are loaded once for the whole game and sound.
#include "Archetype.h"
#include "Components/Graphics/Billboard.h"
#include "Components/Graphics/Camera.h"
#include "Components/Graphics/CompositePrimitive.h"
#include "Components/Graphics/Model.h"
#include "Components/Graphics/OrthoPlane.h"
#include "Components/Graphics/Primitive.h"
#include "Components/Graphics/Skybox.h"
#include "Components/Logic/BehaviorTree.h"
#include "Components/Logic/RagdollLink.h"
#include "Components/Physics/Body.h"
#include "Components/Sound/SoundEffect.h"
#include "Components/Transform.h"
#include "Message.h"
#include "ObjectGroup.h"
#include "ObjectStore.h"
#include "Sound.h"
#include "SoundLibrary/SampleSounds.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Logic/MadeFromFile.h"
#include "Systems/Logic/ShippedLevelWorld.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
	using namespace test;

	// Bodies fall and settle for the first 20 s of play before the props are looked at, and they
	// are looked at again a second later.
	constexpr unsigned kSettleFrames = 20 * 62;
	constexpr unsigned kStillFrames = 62;
	// How far apart two boxes may be and still touch, and a bottom that low stands on the ground.
	constexpr float kTouch = 0.05f;
	// What stays in the air, and moves there, on purpose: the sky's cloud, a balloon, and a power-up
	// hovering to be seen.
	const std::set<std::string> kAirborne = {"Cloud", "Balloon", "Medkit"};

	struct Box
	{
		Tuple3f low{1e9f, 1e9f, 1e9f};
		Tuple3f high{-1e9f, -1e9f, -1e9f};

		void Add(const Tuple3f& point)
		{
			for (int axis = 0; axis < 3; ++axis)
			{
				low[axis] = std::min(low[axis], point[axis]);
				high[axis] = std::max(high[axis], point[axis]);
			}
		}
		bool Contains(const Box& other) const
		{
			for (int axis = 0; axis < 3; ++axis)
				if (other.low[axis] < low[axis] - kTouch || other.high[axis] > high[axis] + kTouch)
					return false;
			return true;
		}
		bool Touches(const Box& other) const
		{
			for (int axis = 0; axis < 3; ++axis)
				if (low[axis] > other.high[axis] + kTouch || other.low[axis] > high[axis] + kTouch)
					return false;
			return true;
		}
	};

	Tuple3f Times(const Tuple3f& a, const Tuple3f& b) { return Tuple3f(a.x * b.x, a.y * b.y, a.z * b.z); }

	// The box around a unit shape (every primitive fits in the unit cube about its middle) placed by
	// the piece's offset, rotation in degrees and scale, then by the object's Transform.
	void AddShape(Box& box, const Transform& transform, const Tuple3f& offset, const Tuple3f& degrees, const Tuple3f& scale)
	{
		const Quaternion piece = QuaternionFromRotationVector(degrees * (3.14159265f / 180.0f));
		for (int corner = 0; corner < 8; ++corner)
		{
			const Tuple3f unit((corner & 1) ? 0.5f : -0.5f, (corner & 2) ? 0.5f : -0.5f, (corner & 4) ? 0.5f : -0.5f);
			const Tuple3f inObject = offset + Quaternion::Rotate(piece, Times(unit, scale));
			box.Add(transform.GetWorldPosition() + Quaternion::Rotate(transform.GetWorldOrientation(), Times(inObject, transform.GetScale())));
		}
	}

	struct Prop
	{
		unsigned id = 0;
		std::string name;
		Box box;
		// A character walks where its behaviour takes it.
		bool walks = false;
	};

	// Every drawn shape of the level but the skies, glows and pages.
	std::vector<Prop> DrawnProps()
	{
		std::vector<Prop> props;
		for (Object each = ObjectStore::Instance().First(); !each.IsDummy(); each = ObjectStore::Instance().Next(each))
		{
			Composition* object = each.object;
			const Transform* transform = object->GetComponent<Transform>();
			if (transform == nullptr || object->GetComponent<Skybox>() != nullptr || object->GetComponent<Billboard>() != nullptr ||
				object->GetComponent<OrthoPlane>() != nullptr)
				continue;
			Prop prop{each.id, object->GetName(), {}, object->GetComponent<BehaviorTree>() != nullptr};
			if (object->GetComponent<Primitive>() != nullptr)
				AddShape(prop.box, *transform, Tuple3f(), Tuple3f(), Tuple3f(1.0f, 1.0f, 1.0f));
			else if (const CompositePrimitive* composite = object->GetComponent<CompositePrimitive>())
				for (const CompositePrimitive::CompositeData& piece : composite->GetPieces())
					AddShape(prop.box, *transform, piece.offset, piece.rotation, piece.scale);
			else
				continue;
			props.push_back(prop);
		}
		return props;
	}

	// The props that stand on nothing: neither on the ground nor, through others, on a prop that does.
	std::vector<std::string> FloatingProps(const std::vector<Prop>& props)
	{
		std::vector<bool> standing(props.size());
		for (std::size_t prop = 0; prop < props.size(); ++prop)
			standing[prop] = props[prop].box.low.y <= kTouch || kAirborne.count(props[prop].name) != 0;
		for (bool spread = true; spread;)
		{
			spread = false;
			for (std::size_t prop = 0; prop < props.size(); ++prop)
				for (std::size_t under = 0; under < props.size() && !standing[prop]; ++under)
					if (standing[under] && props[prop].box.Touches(props[under].box))
						spread = standing[prop] = true;
		}
		std::vector<std::string> floating;
		for (std::size_t prop = 0; prop < props.size(); ++prop)
			if (!standing[prop])
				floating.push_back(props[prop].name);
		return floating;
	}

	// What moved by more than a touch between two looks at the props, but for what moves on purpose.
	std::vector<std::string> MovedProps(const std::vector<Prop>& before, const std::vector<Prop>& after)
	{
		std::vector<std::string> moved;
		for (const Prop& prop : before)
		{
			if (prop.walks || kAirborne.count(prop.name) != 0)
				continue;
			const auto later = std::find_if(after.begin(), after.end(), [&prop](const Prop& each) { return each.id == prop.id; });
			if (later == after.end() || !later->box.Contains(prop.box) || !prop.box.Contains(later->box))
				moved.push_back(prop.name);
		}
		return moved;
	}

	TEST(ShippedScenery, EveryPropRestsOnTheGroundOrOnAnotherPropAndStaysThere)
	{
		// (level, the prop the player stands beside, which springs up for the player, what is taken
		// out first). The stone wakes the golem, which takes its scraps up and fights: the fight's own
		// tests judge that, and here the raised stone is judged.
		const struct { const char* level; const char* besideProp; const char* removed; } rows[] = {
			{"MainMenu", nullptr, nullptr}, {"Homestead", nullptr, nullptr}, {"Hillside", "SignBoard", nullptr}, {"Lair", nullptr, nullptr},
			{"Lair", "WakingStone", "Golem"}, {"Won", nullptr, nullptr},
		};
		for (const auto& row : rows)
		{
			SCOPED_TRACE(std::string(row.level) + (row.besideProp ? std::string(" beside ") + row.besideProp : ""));
			GameWorld world;
			ASSERT_TRUE(world.LoadLevel(row.level));
			// Opened, the shed's door slides up out of the doorway into its housing, and the pen's gate
			// down into the ground.
			ObjectStore::Instance().SendToNamed("ShedDoor", Message("Open"));
			ObjectStore::Instance().SendToNamed("Gate", Message("Open"));
			if (row.removed != nullptr)
				ObjectFromName(row.removed).object->Destroy();
			if (row.besideProp != nullptr)
				ObjectFromName("Player").SendMessage(Message("SetPos").Push(PositionOf(ObjectFromName(row.besideProp)) + Tuple3f(2.0f, 1.0f, 0.0f)));
			world.Frame(kSettleFrames);
			const std::vector<Prop> settled = DrawnProps();
			EXPECT_GE(settled.size(), 2u);
			for (const std::string& name : FloatingProps(settled))
				ADD_FAILURE() << "\"" << name << "\" floats";
			world.Frame(kStillFrames);
			for (const std::string& name : MovedProps(settled, DrawnProps()))
				ADD_FAILURE() << "\"" << name << "\" moved after it settled";
		}
	}

	// Whatever stops the player is seen: every solid body lies within a drawn prop, the ground's
	// within the ground. The player's own body is not drawn; a model draws its own and the bodies
	// linked to it.
	TEST(ShippedScenery, EverySolidBodyWhereThePlayerWalksIsDrawn)
	{
		for (const char* level : {"Homestead", "Hillside", "Lair"})
		{
			GameWorld world;
			ASSERT_TRUE(world.LoadLevel(level)) << level;
			const std::vector<Prop> props = DrawnProps();
			for (Object each = ObjectStore::Instance().First(); !each.IsDummy(); each = ObjectStore::Instance().Next(each))
			{
				const Body* body = each.object->GetComponent<Body>();
				if (body == nullptr || body->GetBody() == nullptr || body->GetCollider() == nullptr || body->GetBody()->HasFlag(kBodyGhost) ||
					each.object->GetComponent<Model>() != nullptr || each.object->GetComponent<RagdollLink>() != nullptr ||
					each.object->GetName() == "Player")
					continue;
				const float* bounds = body->GetCollider()->GetBounds();
				Box solid;
				solid.Add(Tuple3f(bounds[0], bounds[1], bounds[2]));
				solid.Add(Tuple3f(bounds[3], bounds[4], bounds[5]));
				const bool drawn = std::any_of(props.begin(), props.end(), [&solid](const Prop& prop) { return prop.box.Contains(solid); });
				EXPECT_TRUE(drawn) << level << ": \"" << each.object->GetName() << "\" stops what touches it unseen, from " << solid.low << " to "
								   << solid.high;
			}
		}
	}

	// From wherever the player can stand (the camera's start, or anywhere within the floor's
	// half-width about the middle), the ground reaches at least the camera's far clip.
	TEST(ShippedScenery, TheGroundReachesThePlayersFarClipFromEveryStandingPlace)
	{
		const struct { const char* level; const char* camera; float standingHalfWidth; } levels[] = {
			{"MainMenu", "MenuCamera", 0.0f},
			{"Homestead", "Player", 30.0f},
			{"Hillside", "Player", 30.0f},
			{"Lair", "Player", 17.5f},
			{"Won", "MenuCamera", 0.0f},
		};
		for (const auto& row : levels)
		{
			GameWorld world;
			ASSERT_TRUE(world.LoadLevel(row.level)) << row.level;
			Composition* camera = ObjectFromName(row.camera).object;
			Composition* ground = ObjectFromName("Ground").object;
			ASSERT_NE(camera->GetComponent<Camera>(), nullptr) << row.level;
			ASSERT_NE(ground->GetComponent<Primitive>(), nullptr) << row.level;
			const Tuple3f eye = camera->GetComponent<Transform>()->GetWorldPosition();
			const float farthest = std::max({row.standingHalfWidth, std::fabs(eye.x), std::fabs(eye.z)}) + camera->GetComponent<Camera>()->GetFarClip();
			// The ground is a unit plane turned flat: its x and y scales span x and z.
			const Tuple3f groundScale = ground->GetComponent<Transform>()->GetScale();
			EXPECT_GE(groundScale.x / 2.0f, farthest) << row.level;
			EXPECT_GE(groundScale.y / 2.0f, farthest) << row.level;
		}
	}

	// Facing each of eight ways from the start and holding the forward key, for longer than a walk
	// corner to corner takes: the player never drops below the floor and never ends past the drawn
	// ground, so where the walkable ground ends something drawn stands in the way.
	TEST(ShippedScenery, APlayerWalkingAnyWayFromTheStartIsStoppedByWhatIsDrawnOrWalksOn)
	{
		constexpr unsigned kWalkFrames = 12 * 62;
		for (const char* level : {"Homestead", "Hillside", "Lair"})
		{
			GameWorld world;
			ASSERT_TRUE(world.LoadLevel(level)) << level;
			const Object player = ObjectFromName("Player");
			const Tuple3f start = PositionOf(player);
			// The ground is a unit plane turned flat: its x and y scales span x and z.
			const Tuple3f groundScale = ObjectFromName("Ground").object->GetComponent<Transform>()->GetScale();
			for (int way = 0; way < 8; ++way)
			{
				const float angle = static_cast<float>(way) * 3.14159265f / 4.0f;
				const Tuple3f facing(std::sin(angle), 0.0f, std::cos(angle));
				player.SendMessage(Message("SetPos").Push(start));
				player.SendMessage(Message("SetVelocity").Push(Tuple3f()));
				player.SendMessage(Message("SetDir").PushFloat(facing.x).PushFloat(facing.y).PushFloat(facing.z));
				float lowest = start.y;
				for (unsigned frame = 0; frame < kWalkFrames; ++frame)
				{
					// The golem's scraps, thrown at a player passing its stone, would end the walk.
					player.SendMessage(Message("Heal").PushInt(100));
					player.SendMessage(Message("MoveForward").PushFloat(1.0f));
					world.Frame();
					lowest = std::min(lowest, PositionOf(player).y);
				}
				const Tuple3f end = PositionOf(player);
				EXPECT_GT(lowest, 0.0f) << level << " facing " << facing << ": the player dropped through the ground";
				EXPECT_TRUE(std::fabs(end.x) <= groundScale.x / 2.0f && std::fabs(end.z) <= groundScale.y / 2.0f)
					<< level << " facing " << facing << ": the player ended past the drawn ground, at " << end;
			}
		}
	}

	// Each crate placed in a level file, blown spinning over the wall nearer to it at a steep lob,
	// is removed once it has left the level.
	TEST(ShippedScenery, APlacedCrateBlownOutOfTheLevelIsRemoved)
	{
		for (const char* level : {"Homestead", "Hillside"})
		{
			GameWorld world;
			ASSERT_TRUE(world.LoadLevel(level)) << level;
			const std::vector<unsigned> placed = ObjectIdsByName("Crate");
			ASSERT_FALSE(placed.empty()) << level;
			world.Frame();
			for (unsigned id : placed)
			{
				const float outward = PositionOf(id).x < 0.0f ? -1.0f : 1.0f;
				ObjectFromId(id).SendMessage(Message("SetVelocity").Push(Tuple3f(outward * 22.5f, 39.0f, 0.0f)));
				ObjectFromId(id).SendMessage(Message("SetAngularVelocity").Push(Tuple3f(3.0f, 1.0f, 2.0f)));
			}
			world.Frame(10 * 62);
			for (unsigned id : placed)
				EXPECT_TRUE(ObjectFromId(id).IsDummy()) << level << ": a crate blown out of the level is still in play, at " << PositionOf(id);
		}
	}

	// What the editor makes, a crate or the crates of a tower, put in the lair and blown over the
	// wall nearer to it, is removed once it has left the level, as the level's own crates are.
	TEST(ShippedScenery, WhatTheEditorMakesBlownOutOfTheLairIsRemoved)
	{
		const Tuple3f at(10, 0, 0);
		for (const bool tower : {false, true})
		{
			SCOPED_TRACE(tower ? "a tower" : "a crate");
			GameWorld world;
			ASSERT_TRUE(world.LoadLevel("Lair"));
			const std::vector<unsigned> made = tower ? test::MakeFromFile("Tower.xml", test::MadeFrom::kGroup, at)
													 : test::MakeFromFile("EditorCrate.xml", test::MadeFrom::kArchetype, at + Tuple3f(0, 0.5f, 0));
			ASSERT_FALSE(made.empty());
			world.Frame();
			for (unsigned id : made)
				ObjectFromId(id).SendMessage(Message("SetVelocity").Push(Tuple3f(22.5f, 39.0f, 0.0f)));
			world.Frame(10 * 62);
			for (unsigned id : made)
				EXPECT_TRUE(ObjectFromId(id).IsDummy()) << "still in play, at " << PositionOf(id);
		}
	}

	// Homestead, Hillside and the lair in the order of play: every effect the levels declare is
	// loaded once, counted for each level that names it, is a file the level's own sound tables
	// play, and is heard when played.
	TEST(ShippedSoundEffects, LoadOnceAcrossTheLevelsAndAreTheSoundsTheLevelsPlay)
	{
		// The levels' music would drown the effects.
		GameWorld world("<Sound><Mute>false</Mute><MusicVolume>0</MusicVolume></Sound>");
		Sound* sound = new Sound(snd::Output::kLoopback);
		world.engine.engine->AddSystem(sound);
		std::map<std::string, int> namings;
		for (const char* level : {"Homestead", "Hillside", "Lair"})
		{
			ASSERT_TRUE(world.LoadLevel(level)) << level;
			const std::vector<unsigned> declaring = ObjectIdsByName("Effects");
			ASSERT_EQ(declaring.size(), 1u) << level;
			const SoundEffect* effects = ObjectFromId(declaring[0]).object->GetComponent<SoundEffect>();
			ASSERT_NE(effects, nullptr) << level;
			EXPECT_FALSE(effects->effects.empty()) << level;
			for (const SoundTable::Entry& entry : effects->effects)
			{
				++namings[entry.name];
				const auto cached = sound->cache.find(entry.file);
				EXPECT_TRUE(cached != sound->cache.end() && cached->second.second > 0) << level << ": " << entry.file << " is played by none of its components";
			}
			ObjectGroup::DestroyAll();
			DestroyAllObjects();
		}
		ASSERT_EQ(sound->effects.size(), namings.size());
		EXPECT_EQ(sound->effectSounds.size(), namings.size());
		for (const auto& entry : sound->effects)
		{
			EXPECT_EQ(entry->uses, namings[entry->name]) << entry->name;
			snd::Sound* effect = sound->effectSounds[entry->name];
			ASSERT_NE(effect, nullptr) << entry->name;
			const snd::Channel channel = sound->system->playSound(effect, false);
			EXPECT_TRUE(channel.isPlaying()) << entry->name;
			std::vector<float> mix;
			for (int frame = 0; frame < 6; ++frame)
			{
				sound->Update();
				mix.insert(mix.end(), sound->system->LastMix().begin(), sound->system->LastMix().end());
			}
			EXPECT_GT(Rms(WholeMix(mix), 0), 1e-3) << entry->name << " is silent";
			// Each effect is heard alone.
			channel.stop();
			sound->Update();
		}
	}
}
