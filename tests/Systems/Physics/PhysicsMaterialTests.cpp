#include "Systems/Physics/PhysicsScene.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
	using test::PhysicsScene;

	// An object with a material of the given restitution and friction, or none when negative.
	unsigned MakeObject(float restitution, float friction)
	{
		const Object object = CreateObject("Thing");
		if (restitution >= 0.0f)
		{
			object.object->AddComponent(PhysicsMaterial::TypeId());
			auto* material = object.object->GetComponent<PhysicsMaterial>();
			material->restitution = restitution;
			material->friction = friction;
		}
		return object.id;
	}

	TEST(PhysicsMaterial, ContactsTakeTheSmallerFrictionAndOnePlusTheSmallerRestitution)
	{
		PhysicsScene scene;
		struct Case
		{
			float restitutionA, frictionA, restitutionB, frictionB;
			float friction, bounce;
		};
		const Case cases[] = {
			{-1, 0, -1, 0, 0.3f, 1.0f},
			{0.5f, 0.8f, 0.2f, 0.2f, 0.2f, 1.2f},
			{0.2f, 0.2f, 0.5f, 0.8f, 0.2f, 1.2f},
			{0.6f, 0.1f, -1, 0, 0.1f, 1.0f},
		};
		for (const Case& c : cases)
		{
			const unsigned a = MakeObject(c.restitutionA, c.frictionA);
			const unsigned b = MakeObject(c.restitutionB, c.frictionB);
			EXPECT_FLOAT_EQ(CombineFriction(a, b), c.friction);
			EXPECT_FLOAT_EQ(CombineRestitution(a, b), c.bounce);
		}
		EXPECT_FLOAT_EQ(PhysicsMaterial::DensityOf(MakeObject(-1, 0)), 790.0f);
	}

	TEST(PhysicsMaterial, WritesItsThreeValuesUnderTheirNamesAndReadsThemBackByPosition)
	{
		PhysicsScene scene;
		PhysicsMaterial material;
		material.restitution = 0.25f;
		material.friction = 0.75f;
		material.density = 12.0f;
		Serializer data;
		material.Serialize(data);
		std::ostringstream text;
		data.SaveToStream(text);
		EXPECT_NE(text.str().find("name=\"Restitution Coefficient\""), std::string::npos);
		EXPECT_LT(text.str().find("Friction Coefficient"), text.str().find("Density"));
		data.SwitchToReading();
		PhysicsMaterial loaded;
		loaded.Load(data);
		EXPECT_EQ(loaded.restitution, 0.25f);
		EXPECT_EQ(loaded.friction, 0.75f);
		EXPECT_EQ(loaded.density, 12.0f);
	}

	TEST(PhysicsMaterial, ValuesOutOfRangeAreRefusedAndTheDefaultsKept)
	{
		PhysicsScene scene;
		const float cases[][3] = {{1.5f, 0.5f, 10.0f}, {0.5f, -1.0f, 10.0f}, {0.5f, 0.5f, -10.0f}};
		for (const auto& values : cases)
		{
			Serializer data;
			data.Write("Restitution Coefficient", values[0]);
			data.Write("Friction Coefficient", values[1]);
			data.Write("Density", values[2]);
			data.SwitchToReading();
			PhysicsMaterial loaded;
			tw::Diagnostics::Flush();
			testing::internal::CaptureStderr();
			loaded.Load(data);
			const std::string printed = testing::internal::GetCapturedStderr();
			EXPECT_LE(loaded.restitution, 1.0f);
			EXPECT_GE(loaded.friction, 0.0f);
			EXPECT_GE(loaded.density, 0.0f);
			EXPECT_NE(printed.find("PhysicsMaterial: \""), std::string::npos) << printed;
		}
	}

	TEST(PhysicsMaterial, AManifoldBetweenTwoObjectsCarriesTheirMaterials)
	{
		PhysicsScene scene;
		RigidBody& floor = scene.AddFloor();
		floor.GetOwner().object->GetComponent<PhysicsMaterial>()->restitution = 0.5f;
		floor.GetOwner().object->GetComponent<PhysicsMaterial>()->friction = 0.5f;
		RigidBody& box = scene.AddBox(Tuple3f(0.0f, 0.49f, 0.0f));
		scene.LoadLevel();
		scene.Step();
		const CollisionManifold* manifold = scene.physics->GetTransgression().FindManifold(box, floor);
		ASSERT_NE(manifold, nullptr);
		EXPECT_FLOAT_EQ(manifold->restitutionFactor, 1.0f) << "the box has no material";
		EXPECT_FLOAT_EQ(manifold->friction, 0.3f);
	}
}
