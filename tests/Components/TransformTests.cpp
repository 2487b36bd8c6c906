#include "Components/Transform.h"

#include "Components/Origin.h"
#include "EngineTestSupport.h"
#include "Serializer.h"

#include <cmath>
#include <random>
#include <sstream>

namespace
{
	class TransformWorldValues : public test::StoreTest
	{
	protected:
		void SetUp() override
		{
			StoreTest::SetUp();
			Origin::Register();
			Transform::Register();
			BoneTransform::Register();
		}

		// An object with a loaded transform (so its handlers are registered).
		Transform& LoadedTransform(const std::string& values = DefaultValues())
		{
			std::istringstream text("<Component>" + values + "</Component>");
			Serializer serializer;
			// Parsed trees are cached by name for the whole run: every text needs a name of its own.
			static int loads = 0;
			EXPECT_TRUE(serializer.LoadFromStream(text, "TransformText" + std::to_string(++loads)));
			const Object object = CreateObject("Crate");
			object.object->AddComponent(Transform::TypeId(), serializer);
			return *object.object->GetComponent<Transform>();
		}

		static std::string DefaultValues()
		{
			return "<Tuple3f name=\"bt.pos\">0 0 0</Tuple3f><Tuple3f name=\"bt.scale\">1 1 1</Tuple3f>"
				   "<Tuple3f name=\"Rotation\">0 0 0</Tuple3f>";
		}

		Origin origin;
	};

	class BoneTransformFile : public TransformWorldValues
	{
	};

	constexpr float kTolerance = 1e-4f;

	void ExpectNear(const Tuple3f& actual, const Tuple3f& expected)
	{
		EXPECT_NEAR(actual.x, expected.x, kTolerance);
		EXPECT_NEAR(actual.y, expected.y, kTolerance);
		EXPECT_NEAR(actual.z, expected.z, kTolerance);
	}

	// q and -q are the same rotation.
	void ExpectSameRotation(const Quaternion& actual, const Quaternion& expected)
	{
		const float dot = actual.x * expected.x + actual.y * expected.y + actual.z * expected.z + actual.w * expected.w;
		EXPECT_NEAR(std::fabs(dot), 1.0f, kTolerance);
	}

	Composition& OwnerOf(Transform& transform)
	{
		return *transform.owner;
	}

	std::string Saved(Component& component)
	{
		Serializer writer;
		component.Serialize(writer);
		std::ostringstream text;
		writer.SaveToStream(text);
		return text.str();
	}
}

TEST_F(TransformWorldValues, WithoutParentWorldAndLocalAgree)
{
	Transform& transform = LoadedTransform();
	OwnerOf(transform).HandleMessage(Message("SetPos").AddArgument(Tuple3f(1, 2, 3)));
	ExpectNear(transform.GetWorldPosition(), Tuple3f(1, 2, 3));
	EXPECT_NE(Saved(transform).find("name=\"bt.pos\">1 2 3<"), std::string::npos);
}

TEST_F(TransformWorldValues, LoadReadsLocalValuesAndRegistersTheFourHandlers)
{
	Transform& transform = LoadedTransform("<Tuple3f name=\"bt.pos\">4 5 6</Tuple3f><Tuple3f name=\"bt.scale\">2 2 2</Tuple3f>"
										   "<Tuple3f name=\"Rotation\">0 90 0</Tuple3f>");
	ExpectNear(transform.GetWorldPosition(), Tuple3f(4, 5, 6));
	ExpectNear(transform.GetScale(), Tuple3f(2, 2, 2));
	ExpectNear(transform.GetWorldRotationVector(), Tuple3f(0, 1.5707964f, 0));
	ExpectNear(transform.GetDimensions(), Tuple3f(1, 1, 1));

	Composition& owner = OwnerOf(transform);
	owner.HandleMessage(Message("SetScale").AddArgument(Tuple3f(3, 4, 5)));
	owner.HandleMessage(Message("SetDim").AddArgument(Tuple3f(6, 7, 8)));
	owner.HandleMessage(Message("SetRot").AddArgument(Tuple3f(0, 0, 0)));
	ExpectNear(transform.GetScale(), Tuple3f(3, 4, 5));
	ExpectNear(transform.GetDimensions(), Tuple3f(6, 7, 8));
	ExpectNear(transform.GetWorldRotationVector(), Tuple3f(0, 0, 0));
	const auto targets = ObjectFromId(owner.GetId()).GetAffected("SetPos");
	EXPECT_EQ(targets.size(), 1u);

	// Added without loading, a transform registers nothing.
	const Object bare = CreateObject("Bare");
	bare.object->AddComponent(Transform::TypeId());
	EXPECT_TRUE(bare.GetAffected("SetPos").empty());
}

TEST_F(TransformWorldValues, UnderARotatedMovedOriginWorldValuesRoundTrip)
{
	origin.SetPosition(Tuple3f(10, 0, 0));
	origin.SetRotationDegrees(Tuple3f(0, 0, 90));
	Transform& transform = LoadedTransform("<Tuple3f name=\"bt.pos\">1 0 0</Tuple3f><Tuple3f name=\"bt.scale\">1 1 1</Tuple3f>"
										   "<Tuple3f name=\"Rotation\">0 0 0</Tuple3f>");
	transform.SetParent(&origin);
	ExpectNear(transform.GetWorldPosition(), Tuple3f(10, 1, 0));

	OwnerOf(transform).HandleMessage(Message("SetPos").AddArgument(Tuple3f(10, 1, 0)));
	ExpectNear(transform.GetWorldPosition(), Tuple3f(10, 1, 0));
	// Saving writes the local values.
	EXPECT_NE(Saved(transform).find("name=\"bt.pos\">1 "), std::string::npos) << Saved(transform);

	std::mt19937 random(7);
	std::uniform_real_distribution<float> coordinate(-5.0f, 5.0f);
	std::uniform_real_distribution<float> angle(-3.0f, 3.0f);
	for (int trial = 0; trial < 50; ++trial)
	{
		origin.SetPosition(Tuple3f(coordinate(random), coordinate(random), coordinate(random)));
		origin.SetRotation(QuaternionFromRotationVector(Tuple3f(angle(random), angle(random), angle(random))));
		const Tuple3f worldPosition(coordinate(random), coordinate(random), coordinate(random));
		const Quaternion worldOrientation = QuaternionFromRotationVector(Tuple3f(angle(random), angle(random), angle(random)));
		transform.SetWorldPosition(worldPosition);
		transform.SetWorldOrientation(worldOrientation);
		ExpectNear(transform.GetWorldPosition(), worldPosition);
		ExpectSameRotation(transform.GetWorldOrientation(), worldOrientation);
		// Moving the origin carries the transform along.
		const Tuple3f before = transform.GetWorldPosition();
		origin.SetPosition(Tuple3f(origin.GetPosition().x + 1, origin.GetPosition().y, origin.GetPosition().z));
		ExpectNear(transform.GetWorldPosition(), Tuple3f(before.x + 1, before.y, before.z));
	}
}

TEST_F(TransformWorldValues, CloneHangsOnTheSameOrigin)
{
	origin.SetPosition(Tuple3f(3, 0, 0));
	Transform& transform = LoadedTransform();
	transform.SetParent(&origin);
	Component* copy = transform.Clone();
	EXPECT_EQ(static_cast<Transform*>(copy)->GetParent(), &origin);
	ExpectNear(static_cast<Transform*>(copy)->GetWorldPosition(), Tuple3f(3, 0, 0));
	delete copy;
}

TEST_F(BoneTransformFile, BonesSaveAndLoadBackTheSameOrientation)
{
	std::istringstream text("<Component><string name=\"ComponentName\">BoneTransform</string>"
							"<Bone><string name=\"Key\">Spine</string><Tuple3f name=\"Orientation\">0 90 0</Tuple3f>"
							"<Tuple3f name=\"Position\">1 2 3</Tuple3f></Bone>"
							"<Bone><string name=\"Key\">Head</string><Tuple3f name=\"Orientation\">broken</Tuple3f>"
							"<Tuple3f name=\"Position\">4 5 6</Tuple3f></Bone></Component>");
	Serializer serializer;
	ASSERT_TRUE(serializer.LoadFromStream(text, "Bones"));
	ASSERT_EQ(serializer.ReadString(), "BoneTransform");
	BoneTransform bones;
	bones.Load(serializer);

	ASSERT_NE(bones.Find("Spine"), bones.End());
	ExpectNear(QuaternionToRotationVector(bones.Find("Spine")->second.orientation), Tuple3f(0, 1.5707964f, 0));
	ExpectNear(bones.Find("Spine")->second.position, Tuple3f(1, 2, 3));
	// A value that does not parse keeps the previous bone's.
	ExpectNear(QuaternionToRotationVector(bones.Find("Head")->second.orientation), Tuple3f(0, 1.5707964f, 0));
	EXPECT_EQ(bones.Find("Tail"), bones.End());

	const std::string saved = Saved(bones);
	EXPECT_NE(saved.find("name=\"Orientation\">0 90 0<"), std::string::npos) << saved;
	EXPECT_NE(saved.find("name=\"Key\">Spine<"), std::string::npos) << saved;
}
