#include "Components/Origin.h"

#include "Components/Transform.h"
#include "EngineTestSupport.h"
#include "Utilities/TestHelpers.h"

namespace
{
	constexpr double kOriginTolerance = 1e-4;

	class OriginFrame : public test::StoreTest
	{
	protected:
		void SetUp() override
		{
			StoreTest::SetUp();
			Origin::Register();
			Transform::Register();
		}

		// The origin component of a new object, turned a quarter about z and moved to (10, 0, 0).
		static Origin& TurnedOrigin(const Object& object)
		{
			object.object->AddComponent(Origin::TypeId());
			Origin& origin = *object.object->GetComponent<Origin>();
			origin.SetPosition(Tuple3f(10, 0, 0));
			origin.SetRotationDegrees(Tuple3f(0, 0, 90));
			return origin;
		}
	};

	// Loads the origin from the values of one component element.
	void LoadFromText(Origin& origin, const std::string& values, const std::string& cacheName)
	{
		std::istringstream text("<Component><string name=\"ComponentName\">Origin</string>" + values + "</Component>");
		Serializer serializer;
		ASSERT_TRUE(serializer.LoadFromStream(text, cacheName));
		ASSERT_EQ(serializer.ReadString(), "Origin");
		origin.Load(serializer);
	}
}

TEST_F(OriginFrame, QuarterTurnAboutZMapsXOntoYAndBackAndMessagesMoveAndTurnIt)
{
	const Object object = CreateObject("Origin");
	Origin& origin = TurnedOrigin(object);
	ExpectNear(origin.TransformPoint(Tuple3f(1, 0, 0)), Tuple3f(10, 1, 0), kOriginTolerance);
	ExpectNear(origin.InverseTransformPoint(Tuple3f(10, 1, 0)), Tuple3f(1, 0, 0), kOriginTolerance);
	ExpectNear(origin.GetRotationDegrees(), Tuple3f(0, 0, 90), kOriginTolerance);

	origin.Start();
	object.object->HandleMessage(Message("SetPos").AddArgument(Tuple3f(5, 6, 7)));
	ExpectNear(origin.GetRotationDegrees(), Tuple3f(0, 0, 90), kOriginTolerance);
	object.object->HandleMessage(Message("SetRot").AddArgument(Tuple3f(0, 0, 0)));
	ExpectNear(origin.TransformPoint(Tuple3f(1, 0, 0)), Tuple3f(6, 6, 7), kOriginTolerance);
	// An argument of another type is ignored rather than read as zeros.
	object.object->HandleMessage(Message("SetPos").PushString("nowhere"));
	EXPECT_EQ(origin.GetPosition().x, 5.0f);
}

TEST_F(OriginFrame, LoadsWithoutPhysicsIdAndSavesTheRotationInDegrees)
{
	Origin loaded;
	LoadFromText(loaded, "<Tuple3f name=\"pos\">1 2 3</Tuple3f><Tuple3f name=\"rot\">0 0 90</Tuple3f>", "OriginWithoutPhysicsId");
	EXPECT_EQ(loaded.GetPhysicsId(), 0u);
	ExpectNear(loaded.TransformPoint(Tuple3f(1, 0, 0)), Tuple3f(1, 3, 3), kOriginTolerance);

	Serializer writer;
	loaded.Serialize(writer);
	std::ostringstream saved;
	ASSERT_TRUE(writer.SaveToStream(saved));
	EXPECT_NE(saved.str().find("name=\"rot\">0 0 90<"), std::string::npos) << saved.str();

	Origin reloaded;
	LoadFromText(reloaded, "<Tuple3f name=\"pos\">1 2 3</Tuple3f><Tuple3f name=\"rot\">0 0 90</Tuple3f><unsigned name=\"phyId\">77</unsigned>",
		"OriginWithPhysicsId");
	EXPECT_EQ(reloaded.GetPhysicsId(), 77u);
}

TEST_F(OriginFrame, RemovedOriginLeavesItsTransformsInPlace)
{
	const Object group = CreateObject("Origin");
	Origin& origin = TurnedOrigin(group);
	const Object member = CreateObject("Crate");
	member.object->AddComponent(Transform::TypeId());
	Transform& transform = *member.object->GetComponent<Transform>();
	transform.SetParent(&origin);
	transform.SetWorldPosition(Tuple3f(10, 1, 0));

	// Without this the transform would keep a pointer to the deleted origin.
	group.object->Destroy();
	ProcessObjectChanges();
	EXPECT_EQ(transform.GetParent(), nullptr);
	ExpectNear(transform.GetWorldPosition(), Tuple3f(10, 1, 0), kOriginTolerance);
	ExpectNear(transform.GetWorldRotationVector(), Tuple3f(0, 0, 1.5707964f), kOriginTolerance);
}
