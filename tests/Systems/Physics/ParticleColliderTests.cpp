#include "Systems/Physics/ParticleCollider.h"

#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/NarrowPhaseContext.h"
#include "Systems/Physics/NarrowPhaseTestSupport.h"
#include "Systems/Physics/RigidBody.h"
#include "Systems/Physics/TriangleCollider.h"
#include "Systems/TestEngine.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

namespace
{
	// A particle collision on a body whose object has a Transform at position.
	class ParticleColliderTest : public ::testing::Test
	{
	protected:
		void Place(const Tuple3f& position)
		{
			if (transform == nullptr)
			{
				const Object object = CreateObject("Spark");
				object.object->AddComponent(Transform::TypeId());
				transform = object.object->GetComponent<Transform>();
				body.transform = transform;
				body.collider = &collision;
				collision.SetBody(&body);
			}
			transform->SetWorldPosition(position);
			collision.UpdateTransform();
			collision.UpdateBounds();
		}

		TestEngine engine{"<Config/>"};
		RigidBody body;
		Transform* transform = nullptr;
		ParticleCollision collision;
	};
}

TEST_F(ParticleColliderTest, MassIsTheDataValueAndNothingElseIsComputed)
{
	Serializer data;
	data.Write("Mass", 2.5f);
	data.SwitchToReading();
	EXPECT_TRUE(collision.Load(data));
	Serializer saved;
	collision.Save(saved);
	saved.SwitchToReading();
	float savedMass = 0.0f;
	saved.Read(savedMass);
	EXPECT_EQ(savedMass, 2.5f);

	for (const bool wasStatic : {false, true})
	{
		collision.isStatic = wasStatic;
		Matrix4 inverseInertia = Matrix4::Identity();
		float mass = 0.0f;
		Tuple3f centre(1, 2, 3);
		collision.ComputeMass(inverseInertia, mass, centre);
		EXPECT_EQ(mass, 2.5f);
		EXPECT_EQ(inverseInertia, Matrix4()) << "all sixteen entries zero: a point never turns";
		EXPECT_EQ(centre, Tuple3f());
		EXPECT_EQ(collision.isStatic, wasStatic) << "left as it was";
	}
}

TEST_F(ParticleColliderTest, ThePointFollowsTheBodyAndIsItsOwnBox)
{
	const Tuple3f position(4, -2, 7);
	Place(position);
	const ConvexGeometry& point = *collision.GetGeometry(5);
	EXPECT_EQ(&point, collision.GetGeometry(0)) << "the one piece, whatever the index";
	EXPECT_EQ(point.GetCentre(), position);
	for (const Tuple3f& direction : {Tuple3f(1, 0, 0), Tuple3f(-3, 2, 0.5f), Tuple3f()})
		EXPECT_EQ(point.Support(direction), position);
	EXPECT_EQ(point.GetNormal(position), Tuple3f());
	Tuple3f feature[ConvexGeometry::kMaxFeaturePoints];
	EXPECT_EQ(point.GetFeature({0, 1, 0}, feature), 1);
	EXPECT_EQ(feature[0], position);

	// The collider's box is the point's, so that the broad phase finds the particle where it is.
	const float* bounds = collision.GetBounds();
	for (int axis = 0; axis < 3; ++axis)
		EXPECT_TRUE(bounds[axis] == position[axis] && bounds[axis + 3] == position[axis]) << axis;
	const AABB box = collision.particle.GetBounds();
	EXPECT_TRUE(box.min == position && box.max == position);

	std::vector<ConvexGeometry*> pieces;
	const float anywhere[6] = {-100, -100, -100, 100, 100, 100};
	collision.GetGeometries(anywhere, pieces);
	EXPECT_TRUE(pieces.empty());
	EXPECT_EQ(collision.RayCast(position - Tuple3f(0, 0, 5), {0, 0, 1}), kRayMiss) << "rays never hit a point";
}

TEST_F(ParticleColliderTest, OnlyGjkServesAParticleAndItTouchesWhatHoldsIt)
{
	NarrowPhaseContext context;
	const PrimitiveCollider crate = test::Primitive("cube", {2, 2, 2}, {0, 0, 0});
	for (int kind = kGeometryCube; kind <= kGeometryTriangle; ++kind)
		EXPECT_EQ(context.GetPairTest(kind, kGeometryParticle), GjkEpaCollide) << kind;

	Place({0.2f, 0.9f, -0.3f});
	test::ContactCollector contacts;
	ASSERT_TRUE(context.TestPair(*collision.GetGeometry(0), crate)) << "inside the crate";
	context.GenerateContactManifold(crate, *collision.GetGeometry(0), contacts);
	ASSERT_EQ(contacts.GetContactCount(), 1u);
	EXPECT_NEAR(contacts.contacts[0].depth, 0.1f, 1e-3) << "a tenth below the top face";
	EXPECT_NEAR(contacts.contacts[0].normal.y, -1.0f, 1e-3);

	Place({0.2f, 1.1f, -0.3f});
	EXPECT_FALSE(context.TestPair(*collision.GetGeometry(0), crate)) << "above the crate";

	// A point on or above a flat triangle encloses no volume: no contact, and no failure.
	const Tuple3f corners[3] = {{-1, 0, -1}, {1, 0, -1}, {0, 0, 1}};
	TriangleCollider floor(&corners[0], &corners[1], &corners[2]);
	floor.Bake();
	for (const float height : {0.0f, 0.5f})
	{
		Place({0, height, 0});
		EXPECT_FALSE(context.TestPair(*collision.GetGeometry(0), floor)) << height;
	}
}
