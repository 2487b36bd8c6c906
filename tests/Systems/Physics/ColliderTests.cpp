#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/RigidBody.h"

#include "EngineTestSupport.h"
#include "Systems/Physics/FakeCollider.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(Collider, DefaultRayCastKeepsTheNearestStrictlyPositiveHit)
{
	const struct
	{
		std::vector<float> pieceHits;
		float expected;
	} cases[] = {
		{{}, kRayMiss},
		{{0.0f, -2.0f, kRayMiss}, kRayMiss},
		{{3.0f, 1.0f, 2.0f}, 1.0f},
		{{kRayMiss, 2.5f, 0.0f, 4.0f}, 2.5f},
		{{kUnboundedDistance}, kRayMiss},
		{{5e11f, kUnboundedDistance * 2.0f}, 5e11f},
	};
	for (const auto& c : cases)
	{
		std::vector<std::unique_ptr<test::FixedRayPiece>> pieces;
		test::FakeCollider collider;
		for (float t : c.pieceHits)
		{
			pieces.push_back(std::make_unique<test::FixedRayPiece>(t));
			collider.pieces.push_back(pieces.back().get());
		}
		EXPECT_EQ(collider.RayCast(Tuple3f(), Tuple3f(1.0f, 0.0f, 0.0f)), c.expected) << c.pieceHits.size() << " pieces";
	}
}

namespace
{
	// Leaves the object store empty.
	class ColliderTest : public test::StoreTest
	{
	};
}

TEST_F(ColliderTest, OwnerAndPositionComeFromTheBodysObjectAndTransform)
{
	Transform::Register();
	const Object object = CreateObject("Barrel");
	object.object->AddComponent(Transform::TypeId());
	Transform* transform = object.object->GetComponent<Transform>();
	transform->SetWorldPosition(Tuple3f(1.0f, 2.0f, 3.0f));
	RigidBody body;
	body.transform = transform;
	test::FakeCollider collider;
	EXPECT_EQ(collider.GetPosition(), Tuple3f()) << "no body yet";
	collider.SetBody(&body);
	collider.SetOwnerId(object.id);
	EXPECT_EQ(collider.GetBody(), &body);
	EXPECT_EQ(collider.GetPosition(), Tuple3f(1.0f, 2.0f, 3.0f));
	EXPECT_EQ(collider.GetOwner().object, object.object);

	// Once the object has gone the owner is the "Dummy" object, never null.
	DestroyAllObjects();
	EXPECT_TRUE(collider.GetOwner().IsDummy());
	EXPECT_NE(collider.GetOwner().object, nullptr);
}
