#include "Components/Transform.h"

#include "Components/Origin.h"
#include "EngineTestSupport.h"
#include "Utilities/TestHelpers.h"

#include <algorithm>
#include <random>

namespace
{
	constexpr double kTransformTolerance = 1e-4;
	constexpr float kQuarterTurn = 1.5707964f;

	class TransformWorldValues : public test::StoreTest
	{
	protected:
		void SetUp() override
		{
			StoreTest::SetUp();
			Origin::Register();
			Transform::Register();
		}

		// An object with a transform loaded from position, scale and rotation in degrees (so its
		// handlers are registered).
		Transform& LoadedTransform(const std::string& position, const std::string& scale = "1 1 1", const std::string& degrees = "0 0 0")
		{
			std::istringstream text("<Component><Tuple3f name=\"bt.pos\">" + position + "</Tuple3f><Tuple3f name=\"bt.scale\">" + scale +
				"</Tuple3f><Tuple3f name=\"Rotation\">" + degrees + "</Tuple3f></Component>");
			Serializer serializer;
			// Parsed trees are cached by name for the whole run: every text needs a name of its own.
			static int loads = 0;
			EXPECT_TRUE(serializer.LoadFromStream(text, "TransformText" + std::to_string(++loads)));
			const Object object = CreateObject("Crate");
			object.object->AddComponent(Transform::TypeId(), serializer);
			return *object.object->GetComponent<Transform>();
		}

		Origin origin;
	};
	using BoneTransformFile = TransformWorldValues;

	// q and -q are the same rotation.
	void ExpectSameTransformRotation(const Quaternion& actual, const Quaternion& expected)
	{
		const float dot = actual.x * expected.x + actual.y * expected.y + actual.z * expected.z + actual.w * expected.w;
		EXPECT_NEAR(std::fabs(dot), 1.0f, kTransformTolerance);
	}

	std::string SavedTransform(Component& component)
	{
		Serializer writer;
		component.Serialize(writer);
		std::ostringstream text;
		writer.SaveToStream(text);
		return text.str();
	}
}

TEST_F(TransformWorldValues, LoadReadsLocalValuesAndRegistersItsHandlers)
{
	Transform& transform = LoadedTransform("4 5 6", "2 2 2", "0 90 0");
	ExpectNear(transform.GetWorldPosition(), Tuple3f(4, 5, 6), kTransformTolerance);
	ExpectNear(transform.GetScale(), Tuple3f(2, 2, 2), kTransformTolerance);
	ExpectNear(transform.GetWorldRotationVector(), Tuple3f(0, kQuarterTurn, 0), kTransformTolerance);

	Composition& owner = *transform.owner;
	owner.HandleMessage(Message("SetPos").AddArgument(Tuple3f(1, 2, 3)));
	owner.HandleMessage(Message("SetDim").AddArgument(Tuple3f(6, 7, 8)));
	owner.HandleMessage(Message("SetRot").AddArgument(Tuple3f(0, 0, 0)));
	ExpectNear(transform.GetDimensions(), Tuple3f(6, 7, 8), kTransformTolerance);
	ExpectNear(transform.GetWorldRotationVector(), Tuple3f(0, 0, 0), kTransformTolerance);
	EXPECT_NE(SavedTransform(transform).find("name=\"bt.pos\">1 2 3<"), std::string::npos);

	// Added without loading, a transform registers nothing.
	const Object bare = CreateObject("Bare");
	bare.object->AddComponent(Transform::TypeId());
	EXPECT_TRUE(bare.GetAffected("SetPos").empty());
}

// Degrees made into a quaternion and back can change in their last digit: a level loaded and saved
// without edits must keep its file as it was, and a rotation set since is saved as it now stands.
TEST_F(TransformWorldValues, AnUnchangedRotationSavesTheDegreesItWasLoadedWith)
{
	Transform& transform = LoadedTransform("0 -1 0", "3 -2 2", "10 1 -9.00001");
	EXPECT_NE(SavedTransform(transform).find("name=\"Rotation\">10 1 -9.00001<"), std::string::npos) << SavedTransform(transform);
	std::unique_ptr<Transform> copy(static_cast<Transform*>(transform.Clone()));
	EXPECT_EQ(SavedTransform(*copy), SavedTransform(transform));

	transform.owner->HandleMessage(Message("SetRot").AddArgument(Tuple3f(0, kQuarterTurn, 0)));
	EXPECT_NE(SavedTransform(transform).find("name=\"Rotation\">0 90 0<"), std::string::npos) << SavedTransform(transform);

	origin.SetRotationDegrees(Tuple3f(10, 1, -9.00001f));
	ExpectNear(origin.GetRotationDegrees(), Tuple3f(10, 1, -9.00001f), 0.0);
}

TEST_F(TransformWorldValues, UnderARotatedMovedOriginWorldValuesRoundTrip)
{
	origin.SetPosition(Tuple3f(10, 0, 0));
	origin.SetRotationDegrees(Tuple3f(0, 0, 90));
	Transform& transform = LoadedTransform("1 0 0");
	transform.SetParent(&origin);
	ExpectNear(transform.GetWorldPosition(), Tuple3f(10, 1, 0), kTransformTolerance);
	transform.owner->HandleMessage(Message("SetPos").AddArgument(Tuple3f(10, 1, 0)));
	ExpectNear(transform.GetWorldPosition(), Tuple3f(10, 1, 0), kTransformTolerance);
	// Saving writes the local values.
	EXPECT_NE(SavedTransform(transform).find("name=\"bt.pos\">1 "), std::string::npos) << SavedTransform(transform);
	// A clone hangs on the same origin.
	std::unique_ptr<Transform> copy(static_cast<Transform*>(transform.Clone()));
	EXPECT_EQ(copy->GetParent(), &origin);
	ExpectNear(copy->GetWorldPosition(), Tuple3f(10, 1, 0), kTransformTolerance);

	std::mt19937 random(7);
	std::uniform_real_distribution<float> coordinate(-5.0f, 5.0f);
	std::uniform_real_distribution<float> angle(-3.0f, 3.0f);
	const auto randomTuple = [&](auto& distribution) { return Tuple3f(distribution(random), distribution(random), distribution(random)); };
	for (int trial = 0; trial < 50; ++trial)
	{
		origin.SetPosition(randomTuple(coordinate));
		origin.SetRotation(QuaternionFromRotationVector(randomTuple(angle)));
		const Tuple3f worldPosition = randomTuple(coordinate);
		const Quaternion worldOrientation = QuaternionFromRotationVector(randomTuple(angle));
		transform.SetWorldPosition(worldPosition);
		transform.SetWorldOrientation(worldOrientation);
		ExpectNear(transform.GetWorldPosition(), worldPosition, kTransformTolerance);
		ExpectSameTransformRotation(transform.GetWorldOrientation(), worldOrientation);
		// Moving the origin carries the transform along.
		origin.SetPosition(origin.GetPosition() + Tuple3f(1, 0, 0));
		ExpectNear(transform.GetWorldPosition(), worldPosition + Tuple3f(1, 0, 0), kTransformTolerance);
	}
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
	ExpectNear(QuaternionToRotationVector(bones.Find("Spine")->second.orientation), Tuple3f(0, kQuarterTurn, 0), kTransformTolerance);
	// A value that does not parse keeps the previous bone's.
	ExpectNear(QuaternionToRotationVector(bones.Find("Head")->second.orientation), Tuple3f(0, kQuarterTurn, 0), kTransformTolerance);

	const std::string saved = SavedTransform(bones);
	EXPECT_NE(saved.find("name=\"Orientation\">0 90 0<"), std::string::npos) << saved;
}

// Bones live in a table whose walk order changes as it grows: they are saved by name, so a
// re-save is identical, and a stray value among them is skipped once.
TEST_F(BoneTransformFile, BonesSaveInAStableOrderAndAStrayValueAmongThemIsSkippedOnce)
{
	std::string bonesText;
	std::vector<std::string> names;
	for (int bone = 0; bone < 30; ++bone)
	{
		const std::string name = "Bone" + std::to_string(bone * 17 % 30 + 10);
		names.push_back(name);
		bonesText += "<Bone><string>" + name + "</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>" + std::to_string(bone) + " 0 0</Tuple3f></Bone>";
		if (bone == 12)
			bonesText += "<string name=\"author\">me</string>";
	}
	std::istringstream text("<Component>" + bonesText + "</Component>");
	Serializer serializer;
	ASSERT_TRUE(serializer.LoadFromStream(text, "ManyBones"));
	BoneTransform bones;
	const std::string diagnostics = StderrOf([&] { bones.Load(serializer); });
	EXPECT_EQ(diagnostics, "Serializer: 'ManyBones': value 14 'author' of 'Component' stands where an element was expected; it is skipped\n");
	for (const std::string& name : names)
		EXPECT_NE(bones.Find(name), bones.End()) << name;

	const std::string saved = SavedTransform(bones);
	std::sort(names.begin(), names.end());
	std::size_t previous = 0;
	for (const std::string& name : names)
	{
		const std::size_t at = saved.find(">" + name + "<");
		ASSERT_NE(at, std::string::npos) << name;
		EXPECT_GT(at, previous) << name << " is out of order";
		previous = at;
	}
	std::istringstream savedText(saved);
	Serializer reader;
	ASSERT_TRUE(reader.LoadFromStream(savedText, "ManyBonesSaved"));
	BoneTransform reloaded;
	reloaded.Load(reader);
	EXPECT_EQ(SavedTransform(reloaded), saved);
}
