#include "Components/Physics/Ragdoll.h"

#include "Components/Physics/Body.h"
#include "Components/Physics/PhysicsComponentWorld.h"
#include "Components/Physics/RagdollFileWriter.h"
#include "Systems/Physics/PhysicsScene.h"
#include "Systems/Physics/TransgressionManager.h"
#include "TempFolder.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Random.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace
{
	using test::PhysicsComponentWorld;
	using test::PhysicsScene;

	std::string RagdollShape(const std::string& shape, const std::string& vector, const std::string& width)
	{
		return "<Shape><string>" + shape + "</string><Tuple3f>" + vector + "</Tuple3f><float>" + width + "</float></Shape>";
	}

	std::string Socket(const std::string& degrees = "30")
	{
		return "<Joint><string>Socket</string><float>" + degrees + "</float></Joint>";
	}

	std::string Part(const std::string& bone, const std::string& shape, const std::string& joint = "")
	{
		return "<Part><string>" + bone + "</string>" + shape + joint + "</Part>";
	}

	// The five-bone figure: a pelvis block, a spine on it, a head on the spine and two hanging legs.
	const std::string kFigureParts = Part("pelvis", RagdollShape("cube", "0 0.2 0", "0.3")) +
		Part("spine", RagdollShape("cube", "0 0.5 0", "0.25"), Socket()) +
		Part("head", RagdollShape("sphere", "0 0.25 0", "0.25"), Socket()) +
		Part("leftLeg", RagdollShape("cube", "0 -0.8 0", "0.15"), Socket()) +
		Part("rightLeg", RagdollShape("cube", "0 -0.8 0", "0.15"), Socket());

	class Ragdoll_ : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			path = folder.Path() + "/figure.rag";
			const auto bytes = test::RagdollFileBytes(test::FiveBoneSkeleton());
			std::ofstream(path, std::ios::binary)
				.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
		}

		// A figure standing at the position; its BoneTransform holds every bone unless one is left out.
		Object AddFigure(const Tuple3f& position, const std::string& parts = kFigureParts, bool ragdolled = false,
			const std::string& leftOutBone = "")
		{
			const Object figure = CreateObject("Figure");
			figure.object->AddComponent(Transform::TypeId());
			Transform* transform = figure.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(Tuple3f(1, 1, 1));
			std::string boneValues;
			for (const test::RagdollBoneEntry& bone : test::FiveBoneSkeleton())
				if (bone.name != leftOutBone)
					boneValues += "<Bone><string>" + bone.name + "</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f></Bone>";
			PhysicsComponentWorld::AddLoaded(figure, BoneTransform::TypeId(), boneValues);
			PhysicsComponentWorld::AddLoaded(figure, Body::TypeId(), PhysicsComponentWorld::BodyValues("DEFAULT", ""));
			PhysicsComponentWorld::AddLoaded(figure, ::Ragdoll::TypeId(),
				"<string>" + path + "</string><bool>" + (ragdolled ? "true" : "false") + "</bool>" + parts);
			figure.object->Start();
			return figure;
		}

		static ::Ragdoll& RagdollOf(const Object& figure) { return *figure.object->GetComponent<::Ragdoll>(); }
		static BoneTransform::BoneInfo& BoneOf(const Object& figure, const std::string& name)
		{
			return figure.object->GetComponent<BoneTransform>()->Find(name)->second;
		}

		// Frames of the physics step alone: the step updates the ragdoll after it.
		void Frame(int count = 1)
		{
			for (int i = 0; i < count; ++i)
				scene.Step();
		}

		bool Simulated(const RagdollPart& part) const
		{
			return scene.physics->GetResolution().GetBodies().Contains(*part.body);
		}

		// How far apart the two anchors of the joint's socket are in the world.
		static float JointGap(const RagdollJoint& joint)
		{
			const DistanceConstraint& anchor = joint.connection->distance;
			const Tuple3f a = joint.parent->body->transforms.world * anchor.anchorA;
			const Tuple3f b = joint.child->body->transforms.world * anchor.anchorB;
			return (a - b).Length();
		}

		test::TempFolder folder;
		std::string path;
		PhysicsScene scene;
	};

	class RagdollTest : public Ragdoll_
	{
	};

	TEST_F(RagdollTest, PartsAndSocketsAreBuiltAndTheBodiesStandOnTheBones)
	{
		const Object figure = AddFigure(Tuple3f(2, 0, 0));
		::Ragdoll& ragdoll = RagdollOf(figure);
		ragdoll.Update();
		ASSERT_EQ(ragdoll.GetParts().size(), 5u);
		ASSERT_EQ(ragdoll.GetJoints().size(), 4u);
		const RagdollPart& pelvis = ragdoll.GetParts()[0];
		const RagdollPart& leftLeg = ragdoll.GetParts()[3];
		// Centred on the bone's midpoint, the leg hanging down from its bone.
		EXPECT_NEAR((pelvis.body->GetPosition() - Tuple3f(2, 1.1f, 0)).Length(), 0.0f, 1e-5f);
		EXPECT_NEAR((leftLeg.body->GetPosition() - Tuple3f(1.8f, 0.5f, 0)).Length(), 0.0f, 1e-5f);
		EXPECT_EQ(leftLeg.frame.GetScale(), Tuple3f(0.15f, 0.8f, 0.15f));
		EXPECT_EQ(ragdoll.GetPartBody("pelvis"), &pelvis);
		EXPECT_EQ(ragdoll.GetPartBody("tail"), nullptr);
		// Legs hang on the pelvis, the head on the spine; neither collides with its parent.
		const RagdollJoint& headJoint = ragdoll.GetJoints()[1];
		EXPECT_EQ(headJoint.parent, &ragdoll.GetParts()[1]);
		EXPECT_EQ(leftLeg.body->collisionParent, pelvis.body);
		EXPECT_EQ(ragdoll.GetJoints()[2].parent, &pelvis);
		const SocketConnection& socket = *headJoint.connection;
		ASSERT_EQ(socket.constraints.size(), 3u);
		EXPECT_EQ(socket.constraints[0], &socket.axis);
		EXPECT_EQ(socket.constraints[2], &socket.distance);
		EXPECT_NEAR(socket.cone.limit, 0.5f, 1e-5f);
		for (const RagdollJoint& joint : ragdoll.GetJoints())
			EXPECT_LT(JointGap(joint), 1e-4f);
		// Out of the simulation until ragdolled.
		EXPECT_TRUE(std::none_of(ragdoll.GetParts().begin(), ragdoll.GetParts().end(),
			[&](const RagdollPart& part) { return Simulated(part); }));
		EXPECT_FALSE(socket.connected);
	}

	TEST_F(RagdollTest, BodiesFollowTheAnimatedBonesUntilRagdolled)
	{
		const Object figure = AddFigure(Tuple3f(0, 0, 0));
		::Ragdoll& ragdoll = RagdollOf(figure);
		ragdoll.Update();
		// The animation lifts the pelvis by one unit a frame: the part is given that speed.
		BoneOf(figure, "pelvis").position = Tuple3f(0, 1.016f, 0);
		ragdoll.Update();
		const RagdollPart& pelvis = ragdoll.GetParts()[0];
		EXPECT_NEAR(pelvis.body->GetPosition().y, 1.116f, 1e-5f);
		figure.object->HandleMessage(Message("Ragdoll").PushBool(true));
		EXPECT_TRUE(ragdoll.IsRagdolled());
		EXPECT_TRUE(Simulated(pelvis));
		EXPECT_NEAR(pelvis.body->velocity.y, 0.016f / scene.physics->GetSettings().timeStep, 1e-2f);
		EXPECT_TRUE(ragdoll.GetJoints()[0].connection->connected);
		EXPECT_TRUE(scene.physics->GetTransgression().GetConnections().Contains(*ragdoll.GetJoints()[0].connection));
		// The same value again changes nothing.
		figure.object->HandleMessage(Message("Ragdoll").PushBool(true));
		EXPECT_EQ(scene.physics->GetTransgression().GetConnections().count, 4u);
	}

	TEST_F(RagdollTest, ADroppedFigureComesToRestOnTheFloorInOnePiece)
	{
		scene.AddFloor();
		const Object figure = AddFigure(Tuple3f(0, 0.5f, 0));
		scene.LoadLevel();
		::Ragdoll& ragdoll = RagdollOf(figure);
		ragdoll.Update();
		figure.object->HandleMessage(Message("Ragdoll").PushBool(true));
		const std::vector<RagdollPart>& parts = ragdoll.GetParts();
		int restedAt = -1;
		for (int frame = 1; frame <= 1500 && restedAt < 0; ++frame)
		{
			Frame();
			if (std::all_of(parts.begin(), parts.end(), [](const RagdollPart& part) { return part.body->IsAsleep(); }))
				restedAt = frame;
		}
		ASSERT_GT(restedAt, 0) << "the parts did not all fall asleep";
		for (const RagdollJoint& joint : ragdoll.GetJoints())
			EXPECT_LT(JointGap(joint), 0.05f) << joint.child->bone->name;
		for (const RagdollPart& part : parts)
		{
			EXPECT_GT(part.body->GetPosition().y, 0.0f) << part.bone->name;
			EXPECT_LT(part.body->GetPosition().y, 1.0f) << part.bone->name;
		}
		// The object followed its root part down.
		EXPECT_LT(figure.object->GetComponent<Transform>()->GetWorldPosition().y, 0.5f);
	}

	TEST_F(RagdollTest, SwitchingOffStandsTheObjectBelowTheRootAndReturnsTheBonesToTheAnimation)
	{
		scene.AddFloor(-1.0f);
		const Object figure = AddFigure(Tuple3f(0, 0, 0));
		scene.LoadLevel();
		::Ragdoll& ragdoll = RagdollOf(figure);
		ragdoll.Update();
		figure.object->HandleMessage(Message("Ragdoll").PushBool(true));
		Frame(10);
		// While ragdolled the object follows its falling root part.
		Transform& transform = *figure.object->GetComponent<Transform>();
		EXPECT_LT(transform.GetWorldPosition().y, -0.01f);
		const float rootX = ragdoll.GetParts()[0].body->GetPosition().x;

		transform.SetWorldRotationVector(Tuple3f(0.3f, 0, 0));
		figure.object->HandleMessage(Message("Ragdoll").PushBool(false));
		EXPECT_FALSE(ragdoll.IsRagdolled());
		EXPECT_NEAR(transform.GetWorldPosition().y, -1.0f, 1e-3f) << "stood on the floor below the root part";
		EXPECT_NEAR(transform.GetWorldPosition().x, rootX, 1e-3f);
		EXPECT_NEAR(transform.GetWorldRotationVector().Length(), 0.0f, 1e-6f);
		EXPECT_FALSE(Simulated(ragdoll.GetParts()[0]));
		EXPECT_EQ(scene.physics->GetTransgression().GetConnections().count, 0u);

		// The animation writes the bones again; the ragdoll leaves them and the bodies follow.
		const Tuple3f animated(0, 1.5f, 0.25f);
		BoneOf(figure, "pelvis").position = animated;
		BoneOf(figure, "pelvis").orientation = Quaternion();
		ragdoll.Update();
		EXPECT_EQ(BoneOf(figure, "pelvis").position, animated);
		const Tuple3f expected = transform.GetWorldPosition() + animated + Tuple3f(0, 0.1f, 0);
		EXPECT_NEAR((ragdoll.GetParts()[0].body->GetPosition() - expected).Length(), 0.0f, 1e-4f);
	}

	TEST_F(RagdollTest, PlacementMessagesActOnlyWhileRagdolled)
	{
		const Object figure = AddFigure(Tuple3f(0, 0, 0));
		::Ragdoll& ragdoll = RagdollOf(figure);
		ragdoll.Update();
		const std::vector<RagdollPart>& parts = ragdoll.GetParts();
		figure.object->HandleMessage(Message("SetVelocity").Push(Tuple3f(1, 0, 0)));
		EXPECT_EQ(parts[1].body->velocity, Tuple3f());

		figure.object->HandleMessage(Message("Ragdoll").PushBool(true));
		tw::SeedRand(7);
		figure.object->HandleMessage(Message("SetVelocity").Push(Tuple3f(10, 0, 0)));
		for (const RagdollPart& part : parts)
		{
			EXPECT_GE(part.body->velocity.x, 9.5f);
			EXPECT_LE(part.body->velocity.x, 11.0f);
		}
		figure.object->HandleMessage(Message("SetPos").Push(Tuple3f(3, 4, 5)));
		for (const RagdollPart& part : parts)
		{
			EXPECT_EQ(part.body->GetPosition(), Tuple3f(3, 4, 5));
			EXPECT_EQ(part.body->velocity, Tuple3f());
		}

		// Orient stands the figure along the direction and puts the bodies back on the bones.
		figure.object->HandleMessage(Message("Orient").Push(Tuple3f(1, 0, 0)));
		EXPECT_TRUE(ragdoll.IsRagdolled());
		const Tuple3f spine = parts[1].body->GetPosition() - parts[0].body->GetPosition();
		EXPECT_GT(std::fabs(spine.x), 0.3f);
		EXPECT_NEAR(spine.y, 0.0f, 1e-4f);
	}

	TEST_F(RagdollTest, AFigureLoadedRagdolledStartsOnItsBonesInTheSimulation)
	{
		const Object figure = AddFigure(Tuple3f(0, 0, 0), kFigureParts, true);
		::Ragdoll& ragdoll = RagdollOf(figure);
		EXPECT_TRUE(ragdoll.IsRagdolled());
		const RagdollPart& pelvis = ragdoll.GetParts()[0];
		EXPECT_TRUE(Simulated(pelvis));
		EXPECT_NEAR((pelvis.body->GetPosition() - Tuple3f(0, 1.1f, 0)).Length(), 0.0f, 1e-5f);
		EXPECT_EQ(pelvis.body->velocity, Tuple3f());
		ragdoll.Detach();
		EXPECT_FALSE(Simulated(pelvis));
	}

	TEST_F(RagdollTest, BadPartsAreReportedAndLeftOut)
	{
		struct Case
		{
			const char* what;
			std::string parts;
			std::size_t partCount;
			std::size_t jointCount;
			const char* diagnostic;
		};
		const Case cases[] = {
			{"unknown bone", kFigureParts + Part("tail", RagdollShape("cube", "0 1 0", "0.1")), 5, 4, "no bone is named \"tail\""},
			{"second part on a bone", kFigureParts + Part("head", RagdollShape("cube", "0 1 0", "0.1")), 5, 4, "has a part already"},
			{"no width", Part("pelvis", RagdollShape("cube", "0 0.2 0", "0")), 0, 0, "has no size"},
			{"root socket", Part("pelvis", RagdollShape("cube", "0 0.2 0", "0.3"), Socket()), 1, 0, "no part above it"},
			{"other joint kind", Part("pelvis", RagdollShape("cube", "0 0.2 0", "0.3")) +
				Part("spine", RagdollShape("cube", "0 0.5 0", "0.3"), "<Joint><string>Joint</string></Joint>"), 2, 0, ""},
		};
		for (const Case& c : cases)
		{
			SCOPED_TRACE(c.what);
			Object figure;
			const std::string diagnostics = StderrOf([&] { figure = AddFigure(Tuple3f(0, 0, 0), c.parts); });
			const ::Ragdoll& ragdoll = RagdollOf(figure);
			EXPECT_EQ(ragdoll.GetParts().size(), c.partCount);
			EXPECT_EQ(ragdoll.GetJoints().size(), c.jointCount);
			EXPECT_NE(diagnostics.find(c.diagnostic), std::string::npos) << diagnostics;
			tw::Diagnostics::Flush();
		}
	}

	TEST_F(RagdollTest, SavesEveryPartAsReadAndReloadsToTheSameText)
	{
		const std::string parts = kFigureParts + Part("tail", RagdollShape("cube", "0 1 0", "0.1")) +
			Part("spine2", "<Shape><string>cone</string><Tuple3f>0 1 0</Tuple3f><float>0.2</float><Tuple3f>0 0.1 0</Tuple3f></Shape>",
				"<Joint><string>Socket</string><float>30</float><Tuple3f>1 0 0</Tuple3f></Joint>");
		Object figure;
		StderrOf([&] { figure = AddFigure(Tuple3f(0, 0, 0), parts); });
		tw::Diagnostics::Flush();
		const std::string saved = PhysicsComponentWorld::Saved(RagdollOf(figure));
		for (const char* expected : {"figure.rag", "tail", "spine2", ">0 0.1 0<", ">30<", ">1 0 0<", "head"})
			EXPECT_NE(saved.find(expected), std::string::npos) << expected << " in " << saved;
		StderrOf([&] { PhysicsComponentWorld::ExpectSavedTextReloads(RagdollOf(figure), CreateObject("Reloaded")); });
		tw::Diagnostics::Flush();
	}

	TEST_F(RagdollTest, WithoutWhatItNeedsTheRagdollStaysStill)
	{
		struct Case
		{
			const char* what;
			std::string fileName;
			std::string leftOutBone;
			const char* diagnostic;
		};
		const Case cases[] = {
			{"bone without an entry", "", "head", "lacks a BoneTransform entry for bone \"head\""},
			{"missing file", "absent.rag", "", "lacks a skeleton"},
		};
		for (const Case& c : cases)
		{
			SCOPED_TRACE(c.what);
			if (!c.fileName.empty())
				path = folder.Path() + "/" + c.fileName;
			Object figure;
			const std::string diagnostics =
				StderrOf([&] { figure = AddFigure(Tuple3f(0, 0, 0), kFigureParts, false, c.leftOutBone); });
			EXPECT_NE(diagnostics.find(c.diagnostic), std::string::npos) << diagnostics;
			::Ragdoll& ragdoll = RagdollOf(figure);
			figure.object->HandleMessage(Message("Ragdoll").PushBool(true));
			EXPECT_FALSE(ragdoll.IsRagdolled());
			EXPECT_TRUE(ragdoll.Update());
			tw::Diagnostics::Flush();
		}
	}
}
