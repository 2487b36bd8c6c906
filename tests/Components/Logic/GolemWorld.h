// The golem tests' world: the headless game with a floor, the shipped golem model (or one written
// for the test), a golem assembled from component values as its archetype has them, its head, loose
// scraps, a player, and message logs on each. The fight tests and the leaf tests build on it; a
// test that runs another behaviour tree passes its own.
#pragma once

#include "Components/Graphics/GolemModel.h"
#include "Components/Graphics/GolemSampleModel.h"
#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/Golem.h"
#include "Components/Logic/RagdollLink.h"
#include "Components/Physics/GolemPoints.h"
#include "Engine.h"

#include <string>
#include <vector>

namespace test
{
	struct GolemDesign
	{
		float summonRadius = 8.0f;
		float reelTime = 0.5f;
		unsigned invulnerableMilliseconds = 0;
		// The parts: hitsRequired, then bones.
		std::vector<std::pair<unsigned, std::vector<std::string>>> parts = {
			{2, {"lowerArm_L", "ee_hand_L"}}, {2, {"lowerArm_R", "ee_hand_R"}}};
		// The BehaviorTree values (rootType first); none when empty.
		std::string tree;
		// A model file of the test's own; the shipped golem when empty.
		std::string modelPath;
	};

	class GolemWorld : public GameplayWorld
	{
	public:
		static constexpr const char* kLogged[] = {"Connect", "Disconnect", "Ragdoll", "RevaluateBehavior", "Death",
			"ReeledIn", "ActivateBehaviors", "SetPos", "SetRot", "SetAnimation", "Cyclone", "ParticleBurst"};

		// Room for a golem's hundreds of scraps and their anchors.
		explicit GolemWorld(unsigned seed = 1) : GameplayWorld("<Physics><Max_Bodies>600</Max_Bodies><Max_Colliders>600</Max_Colliders></Physics>", seed)
		{
			RegisterLogicBehaviors();
			GolemModel::Register();
			BoneTransform::Register();
			floor = AddBodyObject("Floor", Tuple3f(0, -0.5f, 0), false, CubeBody());
			floor.object->GetComponent<Transform>()->SetScale(Tuple3f(40, 1, 40));
			floor.object->Start();
			floor.object->HandleMessage(Message("SetStatic"));
			// As a level's load ends: until then static colliders wait for the static tree's build,
			// seen by rays but not by the contacts of what falls on them.
			Engine::SendMessage(Message("LevelLoaded"));
		}

		static std::string ShippedModelPath() { return std::string(TW_TEST_DATA_DIR) + "../../Data/Models/" + kGolemModelFile; }

		static std::string BoneEntries()
		{
			std::string bones;
			for (const ModelFileWriter::Bone& bone : GolemBones())
				bones += "<Bone><string>" + bone.name + "</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>" + Text(bone.bindPosition) +
					"</Tuple3f></Bone>";
			return bones;
		}

		static std::string Text(const Tuple3f& v)
		{
			return std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.z);
		}

		static std::string GolemValues(const GolemDesign& design)
		{
			std::string values = "<float>" + std::to_string(design.summonRadius) + "</float><Tuple3f>0.6 0.6 0.6</Tuple3f>"
				"<float>0.5</float><float>0.5</float><string>" + std::string(kGolemHeadBone) + "</string><string>GolemHead</string>"
				"<unsigned>" + std::to_string(design.invulnerableMilliseconds) + "</unsigned><string>Golem</string><int>10</int>";
			for (const auto& [hits, bones] : design.parts)
			{
				values += "<Part><unsigned>" + std::to_string(hits) + "</unsigned>";
				for (const std::string& bone : bones)
					values += "<string>" + bone + "</string>";
				values += "</Part>";
			}
			return values;
		}

		// A started golem standing at the position; its places are made and sent to its points.
		Object AddGolem(const Tuple3f& position, const GolemDesign& design = {})
		{
			const Object golem = AddBodyObject("Golem", position, false, CubeBody("LOGIC NOGRAVITY GHOST"));
			AddLoaded(golem, BoneTransform::TypeId(), BoneEntries());
			const std::string model = design.modelPath.empty() ? ShippedModelPath() : design.modelPath;
			AddLoaded(golem, GolemModel::TypeId(), "<string>" + model + "</string><bool>false</bool><float>1</float><bool>false</bool>");
			AddLoaded(golem, ::GolemPoints::TypeId(), "<float>" + std::to_string(design.reelTime) + "</float><float>0.5</float>");
			AddLoaded(golem, ::Golem::TypeId(), GolemValues(design));
			if (!design.tree.empty())
				AddLoaded(golem, BehaviorTree::TypeId(), design.tree);
			golemLog = &Listen(golem, {"Ragdoll", "RevaluateBehavior", "Death", "ReeledIn", "ActivateBehaviors", "SetPos",
				"SetRot", "SetAnimation", "Cyclone"});
			golem.object->Start();
			return golem;
		}

		Object AddHead(const Tuple3f& position)
		{
			const Object head = AddBodyObject("GolemHead", position, false, CubeBody());
			AddLoaded(head, RagdollLink::TypeId(), "<float>0.5</float><string>head</string><Tuple3f>0 0.4 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>");
			headLog = &Listen(head, {"Connect", "Disconnect", "ParticleBurst"});
			head.object->Start();
			return head;
		}

		// Loose scraps on a ring of the radius about the centre, a little above the floor.
		std::vector<Object> AddScraps(unsigned count, const Tuple3f& centre, float radius)
		{
			std::vector<Object> scraps;
			for (unsigned i = 0; i < count; ++i)
			{
				const float angle = 6.2831853f * static_cast<float>(i) / static_cast<float>(count);
				const Object scrap = AddBodyObject("Scrap", centre + Tuple3f(radius * std::cos(angle), 0.5f, radius * std::sin(angle)),
					false, CubeBody());
				Listen(scrap, {"ReverseScaler", "RestartScaler"});
				scrap.object->Start();
				scraps.push_back(scrap);
			}
			return scraps;
		}

		Object AddPlayer(const Tuple3f& position)
		{
			return AddBodyObject("Player", position, true, CubeBody());
		}

		// Frames until the golem has said "ReeledIn" count times; false after the limit.
		bool FrameUntilReeledIn(std::size_t count = 1, unsigned limit = 600)
		{
			for (unsigned frame = 0; frame < limit && golemLog->Count("ReeledIn") < count; ++frame)
				Frame();
			return golemLog->Count("ReeledIn") >= count;
		}

		static ::Golem& GolemOf(const Object& golem) { return *golem.object->GetComponent<::Golem>(); }
		static ::GolemPoints& PointsOf(const Object& golem) { return *golem.object->GetComponent<::GolemPoints>(); }

		static std::vector<unsigned> Attached(const Object& golem)
		{
			std::vector<unsigned> ids;
			PointsOf(golem).GetAttachedObjects(ids);
			return ids;
		}

		// The scraps hanging on the part's bones.
		static std::vector<unsigned> PartScraps(const Object& golem, std::size_t part)
		{
			std::vector<unsigned> ids;
			for (const std::string& bone : GolemOf(golem).GetParts()[part].bones)
				GolemOf(golem).GetScrapsByName(bone, 1000, ids);
			return ids;
		}

		// "Pebble.xml", the archetype the leaves spawn: a Transform, and a Body when asked.
		void WritePebble(bool withBody) const
		{
			const std::string body = "<Component><string name=\"ComponentName\">Body</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
				"<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><string>DEFAULT</string><Composite><string>TestCollider</string>"
				"</Composite></Component>";
			engine.userFolder.WriteFile("Objects/Pebble.xml", "<Object><string>Pebble</string><Component>"
				"<string name=\"ComponentName\">Transform</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f>"
				"<Tuple3f>0 0 0</Tuple3f></Component>" + (withBody ? body : std::string()) + "</Object>");
		}

		static void Explode(unsigned scrapId) { ObjectFromId(scrapId).object->HandleMessage(Message("Explode")); }

		// A node of the registered type acting for the owner, read from its stored values.
		template <class Node>
		static std::unique_ptr<Node> MakeNode(const std::string& type, const Object& owner, const std::string& values)
		{
			std::unique_ptr<BehaviorNode> node = CreateBehavior(type);
			EXPECT_NE(node, nullptr) << type;
			node->owner = owner.object;
			Serializer serializer;
			Parse(serializer, values);
			node->Deserialize(serializer);
			return std::unique_ptr<Node>(static_cast<Node*>(node.release()));
		}

		// Starts the node as its parent would.
		static void StartNode(BehaviorNode& node)
		{
			node.status = Running;
			node.Start();
		}

		Object floor;
		MessageLog* golemLog = nullptr;
		MessageLog* headLog = nullptr;
	};
}
