#include "Systems/Physics/ContactRows.h"
#include "Systems/Physics/PhysicsScene.h"

#include <gtest/gtest.h>

namespace
{
	using test::PhysicsScene;

	// Rows for a hand-made manifold between a box and the floor, built step by step.
	class ContactRow : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			floor = &scene.AddFloor();
			box = &scene.AddBox(Tuple3f(0.0f, 0.45f, 0.0f));
			contactPool.Reserve(16);
			rows.Reserve(16);
			manifold = CollisionManifold(box, floor, contactPool);
		}

		// One step's contacts: each point with the depth and normal given (the floor's by default).
		void Build(std::initializer_list<Tuple3f> points, float depth = 0.05f,
			const Tuple3f& normal = Tuple3f(0.0f, 1.0f, 0.0f))
		{
			manifold.ClearContacts();
			for (const Tuple3f& point : points)
			{
				ContactPoint contact;
				contact.point = point;
				contact.normal = normal;
				contact.depth = depth;
				manifold.AddContact(contact);
			}
			rows.Build(manifold);
		}

		ConstraintList& Active() { return scene.physics->GetResolution().activeConstraints; }
		ConstraintList& Inactive() { return scene.physics->GetResolution().inactiveConstraints; }

		PhysicsScene scene;
		RigidBody* floor = nullptr;
		RigidBody* box = nullptr;
		tw::ContiguousList<ContactPoint> contactPool;
		ContactRows rows{scene.physics->GetResolution()};
		CollisionManifold manifold;
	};

	TEST_F(ContactRow, AMatchedPointKeepsItsRowsAndTheirMultipliers)
	{
		const Tuple3f corner(0.5f, 0.0f, 0.5f);
		Build({corner});
		ASSERT_EQ(manifold.activeRefs.count, 1u);
		EXPECT_EQ(Active().Count(), ContactRows::kRowsPerPoint);
		const ContactRowRef& ref = *manifold.activeRefs.first;
		EXPECT_EQ(ref.age, 1u);
		ref.normalRow->lambda = 5.0f;
		const Constraint* normal = ref.normalRow;
		for (int step = 0; step < 10; ++step)
			Build({corner + Tuple3f(0.01f, 0.0f, 0.0f)});
		EXPECT_EQ(rows.GetReferenceCount(), 1u) << "no row made after the first step";
		EXPECT_EQ(manifold.activeRefs.first->normalRow, normal);
		EXPECT_EQ(normal->lambda, 5.0f);
		EXPECT_EQ(normal->lowerBound, 0.0f);
		EXPECT_EQ(normal->upperBound, kUnboundedMultiplier);
		EXPECT_NEAR(normal->bias, 15.0f * (0.05f - 0.005f), 1e-5f);
	}

	// The friction force a point's two surface rows apply to the box, from their multipliers.
	Tuple3f FrictionOnBox(const ContactRowRef& ref)
	{
		Tuple3f force;
		for (const Constraint* row : {ref.tangentRow1, ref.tangentRow2})
			force += Tuple3f(row->jacobian[0], row->jacobian[1], row->jacobian[2]) * row->lambda;
		return force;
	}

	TEST_F(ContactRow, FrictionCarriedToTheNextStepPushesTheSameWayAsTheNormalTurnsPastAnAxis)
	{
		// Directions picked afresh from the normal change axis between these pairs of normals,
		// except the first.
		struct Case
		{
			Tuple3f before, after;
		};
		const Case cases[] = {
			{{0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f}},
			{{0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.001f}},
			{{0.001f, 1.0f, 0.0f}, {0.0005f, 1.0f, 0.001f}},
			{{0.3f, 0.9f, 0.3001f}, {0.3001f, 0.9f, 0.3f}},
		};
		const Tuple3f corner(0.5f, 0.0f, 0.5f);
		for (const Case& c : cases)
		{
			Build({corner}, 0.01f, c.before.Normalize());
			ASSERT_EQ(manifold.activeRefs.count, 1u);
			manifold.activeRefs.first->tangentRow1->lambda = 300.0f;
			manifold.activeRefs.first->tangentRow2->lambda = -120.0f;
			const Tuple3f held = FrictionOnBox(*manifold.activeRefs.first);
			Build({corner}, 0.01f, c.after.Normalize());
			ASSERT_EQ(manifold.activeRefs.count, 1u) << "the point keeps its rows";
			const Tuple3f carried = FrictionOnBox(*manifold.activeRefs.first);
			EXPECT_LT((carried - held).Length(), 0.5f) << "normal " << c.after.x << " " << c.after.y << " " << c.after.z;
		}
	}

	TEST_F(ContactRow, FrictionKeptFromTheLastStepStaysWithinThisStepsBound)
	{
		// Without normal force the bound is the box's own weight: its mass at the default friction.
		const float bound = box->mass;
		const float cases[][2] = {{2.0f * bound, bound}, {-3.0f * bound, -bound}, {0.5f * bound, 0.5f * bound}};
		const Tuple3f corner(0.5f, 0.0f, 0.5f);
		for (const auto& [kept, expected] : cases)
		{
			Build({corner});
			ContactRowRef& ref = *manifold.activeRefs.first;
			ref.normalRow->lambda = 0.0f;
			ref.tangentRow1->lambda = ref.tangentRow2->lambda = kept;
			Build({corner});
			EXPECT_FLOAT_EQ(ref.tangentRow1->lambda, expected) << "kept " << kept;
			EXPECT_FLOAT_EQ(ref.tangentRow2->lambda, expected) << "kept " << kept;
		}
	}

	TEST_F(ContactRow, AVanishedPointRetiresItsRowsAndRevivesThemOrLosesThemAfterTheFrameLimit)
	{
		const Tuple3f corner(0.5f, 0.0f, 0.5f);
		Build({corner});
		manifold.activeRefs.first->normalRow->lambda = 7.0f;
		Build({});
		EXPECT_EQ(manifold.retiredRefs.count, 1u);
		EXPECT_EQ(Active().Count(), 0u);
		EXPECT_EQ(Inactive().Count(), ContactRows::kRowsPerPoint);
		Build({corner + Tuple3f(0.0f, 0.0f, 0.04f)});
		ASSERT_EQ(manifold.activeRefs.count, 1u) << "revived within 0.05";
		EXPECT_EQ(manifold.activeRefs.first->normalRow->lambda, 7.0f);
		EXPECT_EQ(Active().Count(), ContactRows::kRowsPerPoint);

		const int limit = scene.physics->GetSettings().constraintFrameLimit;
		for (int step = 0; step < limit + 2; ++step)
			Build({});
		EXPECT_EQ(manifold.activeRefs.count + manifold.retiredRefs.count, 0u);
		EXPECT_EQ(Inactive().Count(), 0u);
		EXPECT_EQ(rows.GetReferenceCount(), 0u);
	}

	TEST_F(ContactRow, FastApproachesBounceAndWallsGiveNoFriction)
	{
		manifold.restitutionFactor = 1.5f;
		box->velocity = Tuple3f(0.0f, -1.8f, 0.0f);
		Build({Tuple3f(0.5f, 0.0f, 0.5f)});
		EXPECT_EQ(manifold.activeRefs.first->normalRow->forceScale, 1.5f) << "squared speed 3.24";
		box->velocity = Tuple3f(0.0f, -1.7f, 0.0f);
		Build({Tuple3f(0.5f, 0.0f, 0.5f)});
		EXPECT_EQ(manifold.activeRefs.first->normalRow->forceScale, 1.0f) << "squared speed 2.89";
		for (const Tuple3f& velocity : {Tuple3f(3.0f, -0.1f, 0.0f), Tuple3f(0.0f, 1.8f, 0.0f)})
		{
			box->velocity = velocity;
			Build({Tuple3f(0.5f, 0.0f, 0.5f)});
			EXPECT_EQ(manifold.activeRefs.first->normalRow->forceScale, 1.0f) << "sliding or leaving " << velocity.x;
		}
		EXPECT_GT(manifold.activeRefs.first->tangentRow1->upperBound, 0.0f);

		manifold.ClearContacts();
		ContactPoint wall;
		wall.point = Tuple3f(0.5f, 0.45f, 0.0f);
		wall.normal = Tuple3f(-1.0f, 0.0f, 0.0f);
		wall.depth = 0.01f;
		manifold.AddContact(wall);
		rows.Build(manifold);
		const ContactRowRef* sideways = manifold.activeRefs.last;
		EXPECT_EQ(sideways->tangentRow1->upperBound, 0.0f);
		EXPECT_EQ(sideways->tangentRow2->lowerBound, 0.0f);
		EXPECT_EQ(sideways->spinRow->upperBound, 0.0f);
	}

	TEST_F(ContactRow, OnlyALonePointResistsTwist)
	{
		// Several points hold a turn by their sideways friction; a lone point (a ball) cannot.
		Build({Tuple3f(0.5f, 0.0f, 0.5f)});
		EXPECT_GT(manifold.activeRefs.first->spinRow->upperBound, 0.0f);
		Build({Tuple3f(0.5f, 0.0f, 0.5f), Tuple3f(-0.5f, 0.0f, -0.5f)});
		ASSERT_EQ(manifold.activeRefs.count, 2u);
		for (const ContactRowRef* ref = manifold.activeRefs.first; ref != nullptr; ref = ref->next)
			EXPECT_EQ(ref->spinRow->upperBound, 0.0f);
	}

	TEST_F(ContactRow, AGhostManifoldLosesEveryRow)
	{
		Build({Tuple3f(0.5f, 0.0f, 0.5f), Tuple3f(-0.5f, 0.0f, 0.5f)});
		EXPECT_EQ(Active().Count(), 2 * ContactRows::kRowsPerPoint);
		box->flags |= kBodyGhost;
		Build({Tuple3f(0.5f, 0.0f, 0.5f)});
		EXPECT_TRUE(manifold.ghost);
		EXPECT_EQ(manifold.contacts.count, 0u) << "released in the step the flag appeared";
		EXPECT_EQ(Active().Count() + Inactive().Count(), 0u);
		Build({Tuple3f(0.5f, 0.0f, 0.5f)});
		EXPECT_EQ(Active().Count(), 0u);
		manifold.ClearContacts();
	}

	TEST_F(ContactRow, CloseContactsMergeKeepingTheDeeper)
	{
		ContactPoint contact;
		contact.point = Tuple3f(0.0f, 0.0f, 0.0f);
		contact.depth = 0.01f;
		manifold.AddContact(contact);
		contact.point = Tuple3f(0.03f, 0.0f, 0.0f);
		contact.depth = 0.02f;
		manifold.AddContact(contact);
		contact.point = Tuple3f(0.0f, 0.0f, 0.02f);
		contact.depth = 0.005f;
		manifold.AddContact(contact);
		ASSERT_EQ(manifold.contacts.count, 1u);
		EXPECT_EQ(manifold.contacts.first->point, Tuple3f(0.03f, 0.0f, 0.0f));
		contact.point = Tuple3f(1.0f, 0.0f, 0.0f);
		manifold.AddContact(contact);
		EXPECT_EQ(manifold.contacts.count, 2u);
		manifold.ClearContacts();
		EXPECT_EQ(contactPool.Count(), 0u);
	}
}

namespace
{
	// A floor and a unit box on or above it, both of restitution 0.5.
	RigidBody& BouncyBoxOverBouncyFloor(test::PhysicsScene& scene, float height)
	{
		RigidBody& floor = scene.AddFloor();
		floor.GetOwner().object->GetComponent<PhysicsMaterial>()->restitution = 0.5f;
		RigidBody& box = scene.AddBox(Tuple3f(0.0f, height, 0.0f));
		box.GetOwner().object->AddComponent(PhysicsMaterial::TypeId());
		box.GetOwner().object->GetComponent<PhysicsMaterial>()->restitution = 0.5f;
		scene.LoadLevel();
		return box;
	}

	TEST(Restitution, ABoxFallingOntoABouncyFloorBouncesBackUp)
	{
		test::PhysicsScene scene;
		RigidBody& box = BouncyBoxOverBouncyFloor(scene, 2.5f);
		float lowest = 10.0f, risen = 0.0f;
		for (int step = 0; step < 90; ++step)
		{
			scene.Step();
			lowest = std::min(lowest, box.GetPosition().y);
			risen = std::max(risen, box.GetPosition().y - lowest);
		}
		EXPECT_GT(risen, 0.1f) << "the box left the floor again after landing";
	}

	TEST(Restitution, ABoxSlidingOnABouncyFloorDoesNotHop)
	{
		test::PhysicsScene scene;
		RigidBody& box = BouncyBoxOverBouncyFloor(scene, 0.5f);
		box.velocity = Tuple3f(3.0f, 0.0f, 0.0f);
		float highest = 0.0f;
		for (int step = 0; step < 60; ++step)
		{
			scene.Step();
			highest = std::max(highest, box.GetPosition().y);
		}
		EXPECT_LT(highest, 0.52f);
	}
}
