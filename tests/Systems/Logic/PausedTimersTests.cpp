// Every gameplay timer stands still while the game ("Pause") or the level editor ("PauseLogic")
// pauses logic: a timer that ran a few frames, then sat through three seconds of pause, ends after
// as many running frames as one that was never paused.
#include "Components/Logic/GolemWorld.h"
#include "Components/Logic/Health.h"
#include "Components/Logic/PathMovement.h"
#include "Components/Logic/PlayerDeath.h"
#include "Components/Logic/RagdollDeath.h"
#include "Components/Logic/RagdollLink.h"
#include "Components/Logic/ShootAtObject.h"
#include "Components/Logic/Spawner.h"
#include "Components/Logic/StoredMessageWorld.h"
#include "Components/Logic/Switch.h"
#include "Systems/Logic/NavTestLevels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace
{
	using namespace test;

	constexpr unsigned kFramesBeforePause = 5;
	// Three seconds of 16 ms frames.
	constexpr unsigned kPausedFrames = 188;
	constexpr unsigned kMostFrames = 400;

	// A scene with one timer started: its world, what runs after each running frame (a behaviour
	// node driven as its tree would drive it), and whether the timer has ended. A timer that is
	// (re)started by restart, before the first frame after the pause, stamps its start on a clock
	// that has stood still: a stamp taken from another clock is three seconds off.
	struct Timer
	{
		std::shared_ptr<GameWorld> world;
		std::function<bool()> ended;
		std::function<void()> update = [] {};
		std::function<void()> restart = [] {};
	};

	void SendPause(const char* message, bool paused)
	{
		Engine::SendMessage(Message(message).PushBool(paused));
	}

	// Running frames until the timer ended (0 when it did not), with the pause message holding
	// logic for three seconds after the first frames; never paused when it is null.
	unsigned RunningFramesUntilEnded(const std::function<Timer()>& start, const char* pauseMessage)
	{
		const Timer timer = start();
		for (unsigned frame = 1; frame <= kMostFrames; ++frame)
		{
			if (frame == kFramesBeforePause + 1 && pauseMessage != nullptr)
			{
				SendPause(pauseMessage, true);
				timer.world->Frame(kPausedFrames);
				SendPause(pauseMessage, false);
			}
			if (frame == kFramesBeforePause + 1)
				timer.restart();
			timer.world->Frame();
			timer.update();
			if (timer.ended())
				return frame;
		}
		return 0;
	}

	// A node of the type started on the owner, once a step has filed the colliders its rays look for.
	Timer NodeTimer(std::shared_ptr<GameWorld> world, const std::string& type, const std::string& fields, const Object& owner)
	{
		world->Step();
		std::shared_ptr<BehaviorNode> node = StartNode(type, fields, owner.object);
		return {std::move(world), [node] { return node->status != Running; }, [node] { node->Update(); }};
	}

	// The node started only when the timer restarts, after the pause.
	Timer NodeTimerStartedAfterPause(std::shared_ptr<GameWorld> world, const std::string& type, const std::string& fields, const Object& owner)
	{
		world->Step();
		auto node = std::make_shared<std::unique_ptr<BehaviorNode>>();
		return {std::move(world), [node] { return *node && (*node)->status != Running; },
			[node] {
				if (*node)
					(*node)->Update();
			},
			[node, type, fields, owner] { *node = StartNode(type, fields, owner.object); }};
	}

	Object AddPlaced(const std::string& name, const Tuple3f& position)
	{
		const Object object = CreateObject(name);
		object.object->AddComponent(Transform::TypeId());
		object.object->GetComponent<Transform>()->SetWorldPosition(position);
		return object;
	}

	const std::pair<const char*, std::function<Timer()>> kTimers[] = {
		{"idling leaf",
			[] {
				auto world = std::make_shared<GameWorld>();
				GameWorld::AddTree("Idler", "SequenceNode", Child("Idle", "<float>1</float><float>1</float>") + Leaf("after"));
				return Timer{world, [] { return std::count(Events().begin(), Events().end(), "Start after") > 0; }};
			}},
		{"cooldown node's buffer",
			[] {
				auto world = std::make_shared<GameWorld>();
				GameWorld::AddTree("Chooser", "CooldownPriorityNode",
					"<float>1</float>" +
						Child("TestLeaf", "<float>0</float><float>0</float><int>1</int>" + LeafFields("chosen")));
				return Timer{world, [] { return std::count(Events().begin(), Events().end(), "Start chosen") > 0; }};
			}},
		{"cooldown node's children's cooldowns",
			[] {
				auto world = std::make_shared<GameWorld>();
				// The child waits its cooldown from the tree's load, then again from the end of its run.
				const auto load = [] {
					GameWorld::AddTree("Chooser", "CooldownPriorityNode",
						"<float>0</float>" + Child("TestLeaf", "<float>1</float><float>0</float><int>1</int>" + LeafFields("chosen")));
				};
				return Timer{world, [] { return std::count(Events().begin(), Events().end(), "Start chosen") >= 2; }, [] {}, load};
			}},
		{"charge's turn",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				// Three units tall: its view point, 1.1 above its centre, is level with the target.
				const std::string tall = "<Collider><string>cube</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 3 1</Tuple3f></Collider>";
				const Object charger = world->AddBodyObject("Charger", Tuple3f(0, 1.5f, 0), true,
					GameplayWorld::BodyValues("NOGRAVITY", "CompositePrimitive", "0 0 0", tall));
				world->AddBodyObject("Target", Tuple3f(0, 2.6f, -8), true, GameplayWorld::CubeBody("CONTROLLER NOGRAVITY"));
				Timer timer = NodeTimer(world, "ChargeObject", "<string>Target</string><float>10</float><float>0.25</float><float>9</float>", charger);
				RigidBody* body = &GameplayWorld::RigidBodyOf(charger);
				auto pushed = std::make_shared<bool>(false);
				timer.update = [update = timer.update, body, pushed] {
					body->acceleration = Tuple3f();
					update();
					*pushed = body->acceleration.LengthSquared() > 0.0f;
				};
				timer.ended = [pushed] { return *pushed; };
				return timer;
			}},
		{"throw's cooldown",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				const Object thrower = world->AddBodyObject("Thrower", Tuple3f(0, 0.5f, 0), false, GameplayWorld::CubeBody("NOGRAVITY"));
				world->AddBodyObject("Target", Tuple3f(6, 0.5f, 0), true, GameplayWorld::CubeBody("CONTROLLER NOGRAVITY"));
				return NodeTimer(world, "ThrowBomb", "<string>Target</string><Tuple3f>0 1 0</Tuple3f><float>10</float><float>20</float><float>1</float>", thrower);
			}},
		{"bomb thrower's throw time",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				const Object thrower = world->AddBodyObject("Thrower", Tuple3f(0, 0.5f, 0), false, GameplayWorld::CubeBody("NOGRAVITY"));
				world->AddBodyObject("Target", Tuple3f(6, 0.5f, 0), true, GameplayWorld::CubeBody("CONTROLLER NOGRAVITY"));
				return NodeTimerStartedAfterPause(world, "ThrowBomb",
					"<string>Target</string><Tuple3f>0 1 0</Tuple3f><float>10</float><float>20</float><float>1</float>", thrower);
			}},
		{"head-off's longest run",
			[] {
				auto world = std::make_shared<NavWorld>();
				world->AddFloorObject({{0, 0, 64, 16}});
				world->LevelLoaded();
				const Object runner = NavWorld::AddWalker(Tuple3f(4, 0.5f, 8));
				world->AddBodyObject("Target", Tuple3f(60, 0.5f, 8), true, NavWorld::BodyValues());
				return NodeTimer(world, "HeadOffObject", "<string>Target</string><float>0</float><float>3</float><float>100</float>", runner);
			}},
		{"spawner's interval",
			[] {
				auto world = std::make_shared<StoredMessageWorld>();
				const std::string imp = world->WriteLevel("Imp.xml", "<Object><string>Imp</string><Component><string>Transform</string>"
					"<Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f></Component></Object>");
				AddPlaced("Player", Tuple3f(1, 0, 0));
				const Object spawner = StoredMessageWorld::Add<Spawner>("Spawner",
					"<unsigned>1000</unsigned>" + Str(imp) + Str("Player") + "<float>5</float><Tuple3f>0 0 1</Tuple3f><unsigned>1</unsigned>");
				spawner.object->AddComponent(Transform::TypeId());
				spawner.object->Start();
				return Timer{world, [] { return !ObjectIdsByName("Imp").empty(); }};
			}},
		{"path's regeneration",
			[] {
				auto world = std::make_shared<NavWorld>();
				world->AddFloorObject(32, 32);
				world->LevelLoaded();
				const Object walker = NavWorld::AddWalker(Tuple3f(4, 0.5f, 4));
				bool reached = false;
				walker.object->HandleMessage(Message("SetEndPoint").Push(Tuple3f(24, 0, 4)).Push(&reached));
				const Tuple3f wayPoint(20, 0, 20);
				walker.object->HandleMessage(Message("AddWayPoint").Push(wayPoint));
				const PathMovement& movement = *walker.object->GetComponent<PathMovement>();
				return Timer{world, [&movement, wayPoint] { return !movement.GetPath().empty() && movement.GetPath().back() == wayPoint; }};
			}},
		{"knocked-out player's restart",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				const Object player = world->AddLogic(PlayerDeath::TypeId(), "");
				player.object->HandleMessage(Message("Death"));
				return Timer{world, [engine = &world->engine] { return !engine->ArgumentsOf("PrevLevel").empty(); }};
			}},
		{"ragdoll's lifetime",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				const Object body = world->AddLogic(RagdollDeath::TypeId(), "<float>1</float>");
				body.object->HandleMessage(Message("Death"));
				return Timer{world, [id = body.id] { return ObjectFromId(id).IsDummy(); }};
			}},
		{"ragdoll death's restarted clock",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				const Object body = world->AddLogic(RagdollDeath::TypeId(), "<float>1</float>");
				body.object->HandleMessage(Message("Death"));
				return Timer{world, [id = body.id] { return ObjectFromId(id).IsDummy(); }, [] {},
					[body] { body.object->HandleMessage(Message("RestartClock")); }};
			}},
		{"ragdoll link's glide",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				const Object target = world->AddBodyObject("Target", Tuple3f(4, 0, 0), false, GameplayWorld::CubeBody("LOGIC NOGRAVITY GHOST"));
				GameplayWorld::AddLoaded(target, BoneTransform::TypeId(), "<Bone><string>Neck</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 1 0</Tuple3f></Bone>");
				target.object->Start();
				const Object head = world->AddBodyObject("Head", Tuple3f(0, 3, 0), false, GameplayWorld::CubeBody());
				GameplayWorld::AddLoaded(head, RagdollLink::TypeId(), "<float>1</float><string>Neck</string><Tuple3f>0 0 1</Tuple3f><Tuple3f>0 0 0</Tuple3f>");
				head.object->Start();
				head.object->HandleMessage(Message("Connect").PushU32(target.id));
				const RagdollLink& link = *head.object->GetComponent<RagdollLink>();
				return Timer{world, [&link] { return link.GetState() == RagdollLink::kAttached; }};
			}},
		{"turret's shot interval",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				AddPlaced("Player", Tuple3f(10, 1, 0));
				const Object turret = AddPlaced("Turret", Tuple3f(0, 1, 0));
				MessageLog& shots = Listen(turret, {"Fire"});
				GameplayWorld::AddLoaded(turret, ShootAtObject::TypeId(),
					"<string>Player</string><string>Fire</string><unsigned>1000</unsigned><float>10</float><float>1000</float>");
				turret.object->Start();
				return Timer{world, [&shots] { return shots.Count("Fire") >= 2; }};
			}},
		{"switch's cooldown",
			[] {
				auto world = std::make_shared<StoredMessageWorld>();
				const Object lever = StoredMessageWorld::Add<Switch>("Lever", "<unsigned>1000</unsigned>" + Element(Str("On()")) + Element(Str("Off()")));
				lever.object->Start();
				return Timer{world, [lever] {
					lever.SendMessage(Message("Toggle"));
					return StoredMessageWorld::Of<Switch>(lever).IsOn();
				}};
			}},
		{"health's grace",
			[] {
				auto world = std::make_shared<GameplayWorld>();
				const Object hurt = world->AddLogic(Health::TypeId(), "<unsigned>100</unsigned><unsigned>1000</unsigned><int>1</int>");
				return Timer{world, [hurt] {
					hurt.object->HandleMessage(Message("Damage").PushInt(10));
					return hurt.object->GetComponent<Health>()->GetHealth() < 100;
				}};
			}},
		{"golem's invulnerable time",
			[] {
				GolemDesign design;
				design.invulnerableMilliseconds = 1000;
				auto world = std::make_shared<GolemWorld>();
				world->AddHead(Tuple3f(0, 4, 0));
				const Object golem = world->AddGolem(Tuple3f(), design);
				world->AddScraps(20, Tuple3f(), 3.5f);
				world->Frame();
				golem.object->HandleMessage(Message("SummonScraps"));
				EXPECT_TRUE(world->FrameUntilReeledIn());
				GameClock::Advance(design.invulnerableMilliseconds);
				const std::vector<unsigned> part = GolemWorld::PartScraps(golem, 0);
				GolemWorld::Explode(part.at(0));
				const auto hits = [golem] { return GolemWorld::GolemOf(golem).GetParts()[0].hits; };
				EXPECT_EQ(hits(), 1u);
				return Timer{world, [hits, scrap = part.at(1)] {
					GolemWorld::Explode(scrap);
					return hits() > 1;
				}};
			}},
	};

	TEST(GameClock, EveryGameplayTimerStandsStillWhileLogicIsPaused)
	{
		for (const auto& [timer, start] : kTimers)
		{
			const auto unpaused = static_cast<int>(RunningFramesUntilEnded(start, nullptr));
			ASSERT_GT(unpaused, static_cast<int>(kFramesBeforePause)) << timer << " has to end, and after the pause begins";
			for (const char* pause : {"Pause", "PauseLogic"})
				EXPECT_NEAR(static_cast<int>(RunningFramesUntilEnded(start, pause)), unpaused, 1) << timer << " across three seconds of " << pause;
		}
	}
}
