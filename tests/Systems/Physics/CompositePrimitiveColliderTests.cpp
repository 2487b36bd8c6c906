#include "Systems/Physics/PhysicsScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{
	using test::BodyShape;
	using test::PhysicsScene;

	struct Piece
	{
		const char* shape;
		Tuple3f offset;
		Tuple3f rotation;
		Tuple3f scale;
	};

	CompositePrimitiveCollider LoadPieces(std::initializer_list<Piece> pieces)
	{
		Serializer data;
		for (const Piece& piece : pieces)
		{
			data.EnterNode("", "Collider");
			data.Write("Primitive", std::string(piece.shape));
			data.Write("Offset", piece.offset);
			data.Write("Rotation", piece.rotation);
			data.Write("Scale", piece.scale);
			data.LeaveNode();
		}
		data.SwitchToReading();
		CompositePrimitiveCollider collider;
		collider.Load(data);
		return collider;
	}

	// The collider of a body made in a scene with the pieces given.
	CompositePrimitiveCollider& MakeBody(PhysicsScene& scene, const BodyShape& shape)
	{
		return *PhysicsScene::Log(scene.Add(shape, Tuple3f(1.0f, 2.0f, 3.0f))).collider;
	}

	TEST(CompositeCollider, OnlyOneUnitPieceWithoutOffsetOrRotationIsASingleUnit)
	{
		const Tuple3f unit(1, 1, 1);
		EXPECT_TRUE(LoadPieces({{"cube", {}, {}, unit}}).isSingleUnit);
		EXPECT_FALSE(LoadPieces({{"cube", {}, {}, {1, 1, 1.0001f}}}).isSingleUnit);
		EXPECT_FALSE(LoadPieces({{"cube", {0, 0.1f, 0}, {}, unit}}).isSingleUnit);
		EXPECT_FALSE(LoadPieces({{"cube", {}, {0, 1, 0}, unit}}).isSingleUnit);
		EXPECT_FALSE(LoadPieces({{"cube", {}, {}, unit}, {"cube", {}, {}, unit}}).isSingleUnit);
	}

	TEST(CompositeCollider, SavesWhatItReadWithTheRotationBackInDegrees)
	{
		CompositePrimitiveCollider collider = LoadPieces({{"Cone", {1, 2, 3}, {90, 0, 0}, {1, 2, 1}}, {"sphere", {}, {}, {1, 1, 1}}});
		ASSERT_EQ(collider.primitives.size(), 2u);
		EXPECT_NEAR(collider.primitives[0].orientation.x, std::sqrt(0.5f), 1e-6f) << "a quarter turn";
		Serializer saved;
		collider.Save(saved);
		saved.SwitchToReading();
		CompositePrimitiveCollider again;
		again.Load(saved);
		ASSERT_EQ(again.primitives.size(), 2u);
		EXPECT_EQ(again.primitives[0].shapeName, "cone");
		EXPECT_EQ(again.primitives[0].offset, Tuple3f(1, 2, 3));
		EXPECT_NEAR(QuaternionToRotationVector(again.primitives[0].orientation).x * 57.29578f, 90.0f, 1e-3f);
		EXPECT_EQ(again.primitives[1].scale, Tuple3f(1, 1, 1));
	}

	TEST(CompositeCollider, SingleUnitTakesTheBodyMatricesAndBoundsReachTheSupportPoints)
	{
		PhysicsScene scene;
		BodyShape sphere;
		sphere.shape = "sphere";
		RigidBody& body = scene.Add(sphere, Tuple3f());
		auto& collider = *PhysicsScene::Log(body).collider;
		collider.isSingleUnit = true;
		body.UpdateDerived();
		EXPECT_EQ(collider.primitives[0].worldMatrix, body.transforms.world);
		for (int axis = 0; axis < 3; ++axis)
		{
			EXPECT_FLOAT_EQ(collider.bounds[axis], -0.5001f);
			EXPECT_FLOAT_EQ(collider.bounds[axis + 3], 0.5001f);
		}
	}

	TEST(CompositeCollider, MassCentreAndInertiaComeFromThePiecesAndTheDensity)
	{
		PhysicsScene scene;
		BodyShape cone;
		cone.shape = "cone";
		cone.scale = Tuple3f(2.0f, 4.0f, 2.0f);
		CompositePrimitiveCollider& collider = MakeBody(scene, cone);
		Matrix4 inverse;
		float mass = 0.0f;
		Tuple3f centre;
		collider.ComputeMass(inverse, mass, centre);
		EXPECT_NEAR(mass, 790.0f * collider.GetVolume(), 0.01f);
		EXPECT_NEAR(centre.y, -1.0f, 1e-5f) << "a quarter of the height below the middle";
		EXPECT_FALSE(collider.isStatic);
		EXPECT_GT(inverse.At(0, 0), 0.0f);

		BodyShape cube;
		CompositePrimitiveCollider& unitCube = MakeBody(scene, cube);
		unitCube.ComputeMass(inverse, mass, centre);
		EXPECT_NEAR(mass, 790.0f, 1e-3f);
		EXPECT_NEAR(inverse.At(1, 1), 6.0f / 790.0f, 1e-6f) << "1 / (m (1 + 1) / 12)";
	}

	TEST(CompositeCollider, HammerInertiaIsTakenAboutTheCentreOfMassAndFollowsTheObjectScale)
	{
		PhysicsScene scene;
		CompositePrimitiveCollider& hammer = MakeBody(scene, BodyShape());
		hammer.primitives = LoadPieces({{"cube", {}, {}, {0.1f, 1.0f, 0.1f}}, {"cube", {0, 0.6f, 0}, {}, {0.4f, 0.2f, 0.2f}}}).primitives;
		for (const float scale : {1.0f, 2.0f})
		{
			hammer.GetBody()->transform->SetScale(Tuple3f(scale, scale, scale));
			// Handle and head as boxes about their own centres, moved to the common centre.
			const double handle = 790.0 * 0.01 * std::pow(scale, 3), head = 790.0 * 0.016 * std::pow(scale, 3);
			const double centre = head * 0.6 / (handle + head);
			const double handleY = -centre * scale, headY = (0.6 - centre) * scale, s2 = scale * scale;
			const double aboutX = handle / 12 * (1.01 * s2) + handle * handleY * handleY + head / 12 * (0.08 * s2) + head * headY * headY;
			const double aboutY = handle / 12 * (0.02 * s2) + head / 12 * (0.2 * s2);
			Matrix4 inverse;
			float mass = 0.0f;
			Tuple3f centreOfMass;
			hammer.ComputeMass(inverse, mass, centreOfMass);
			EXPECT_NEAR(mass, handle + head, 1e-3 * mass) << scale;
			EXPECT_NEAR(centreOfMass.y, centre, 1e-5) << "in the body frame, before the scale";
			EXPECT_NEAR(inverse.At(0, 0), 1.0 / aboutX, 1e-4 / aboutX) << scale;
			EXPECT_NEAR(inverse.At(1, 1), 1.0 / aboutY, 1e-4 / aboutY) << scale;
		}
	}

	TEST(CompositeCollider, ASmallCubeTippedOnAnEdgeFallsOver)
	{
		PhysicsScene scene;
		scene.AddFloor();
		BodyShape cube;
		cube.scale = Tuple3f(0.1f, 0.1f, 0.1f);
		// Resting on one edge, leaning 10 degrees past upright.
		cube.rotation = Tuple3f(0.0f, 0.0f, 35.0f);
		const float halfDiagonal = 0.05f * std::numbers::sqrt2_v<float>;
		RigidBody& body = scene.Add(cube, Tuple3f(0.0f, halfDiagonal * std::cos(10.0f * static_cast<float>(kDegreesToRadians)), 0.0f));
		scene.LoadLevel();
		scene.Step(120);
		EXPECT_LT(body.GetPosition().y, 0.055f) << "lies on a face";
	}

	TEST(CompositeCollider, ZeroDensityGivesAStaticColliderCentredAtTheOriginUnlessTheBodyIsLogic)
	{
		PhysicsScene scene;
		for (const unsigned flags : {0u, static_cast<unsigned>(kBodyLogic)})
		{
			BodyShape ground;
			ground.isStatic = true;
			ground.flags = flags;
			ground.shape = "cone";
			CompositePrimitiveCollider& collider = MakeBody(scene, ground);
			Matrix4 inverse = Matrix4::Identity();
			float mass = 1.0f;
			Tuple3f centre(1, 1, 1);
			collider.ComputeMass(inverse, mass, centre);
			EXPECT_EQ(mass, 0.0f);
			EXPECT_EQ(centre, Tuple3f()) << "never the largest float";
			EXPECT_EQ(inverse, Matrix4());
			EXPECT_EQ(collider.isStatic, flags == 0);
		}
	}

	TEST(CompositeCollider, NavigationExportNumbersEachPieceAfterTheOnesBefore)
	{
		PhysicsScene scene;
		BodyShape cube;
		CompositePrimitiveCollider& collider = MakeBody(scene, cube);
		collider.primitives.emplace_back(Tuple3f(1, 1, 1), "cube", Tuple3f(2, 0, 0), Tuple3f());
		const std::vector<Tuple3f> vertices = collider.GetVertices();
		const std::vector<IndexTriple> triangles = collider.GetIndices();
		ASSERT_EQ(vertices.size(), 16u);
		ASSERT_EQ(triangles.size(), 24u);
		for (std::size_t i = 12; i < 24; ++i)
			for (unsigned index : {triangles[i].a, triangles[i].b, triangles[i].c})
				EXPECT_TRUE(index >= 8 && index < 16);
		// The body stands at x = 1 and the second piece 2 beyond it.
		for (std::size_t i = 8; i < 16; ++i)
			EXPECT_NEAR(std::fabs(vertices[i].x - 3.0f), 0.5f, 1e-5f);
	}
}
