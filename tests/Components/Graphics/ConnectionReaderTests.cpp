#include "Components/Graphics/ConnectionReader.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Transform.h"
#include "Systems/Physics/Physics.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

namespace render_tests
{
	// Stands in for the physics engine: every object's connection runs between two given points.
	struct FakeConnection
	{
		static inline bool connected = true;
		static inline Tuple3f first;
		static inline Tuple3f second;
		static inline int ghosts = 0;
		static inline int follows = 0;

		static bool Anchors(Composition&, Tuple3f& a, Tuple3f& b)
		{
			a = first;
			b = second;
			return connected;
		}
		static void MakeGhost(Composition&) { ++ghosts; }
		static void Follow(Composition&) { ++follows; }
	};

	class ConnectionReaderTest : public test::GLTest
	{
	protected:
		void SetUp() override
		{
			test::GLTest::SetUp();
			if (!engine)
				return;
			physics = new Physics();
			engine->engine->AddSystem(physics);
			physics->Initialize();
			FakeConnection::connected = true;
			FakeConnection::ghosts = FakeConnection::follows = 0;
			::ConnectionReader::Physics() = {&FakeConnection::Anchors, &FakeConnection::MakeGhost, &FakeConnection::Follow};
		}

		void TearDown() override
		{
			::ConnectionReader::Physics() = {};
			test::GLTest::TearDown();
		}

		static Composition* Rope(const std::string& position = "7 7 7")
		{
			Composition* object = MakeObject(test::ComponentXml("Transform", "<Tuple3f>" + position +
				"</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f>") + test::ComponentXml("ConnectionReader", "<float>0.2</float>"));
			object->Start();
			return object;
		}

		const PostStepList& PostStepReaders() const { return physics->GetResolution().postStepComponents; }

		// Owned by the engine.
		Physics* physics = nullptr;

		static void ExpectNear(const Tuple3f& actual, const Tuple3f& expected, const std::string& what)
		{
			EXPECT_LT((actual - expected).Length(), 1e-5) << what << ": (" << actual.x << ", " << actual.y << ", " << actual.z << ")";
		}
	};

	TEST_F(ConnectionReaderTest, TheObjectRunsBetweenTheAnchorsAlongItsYAxis)
	{
		const struct
		{
			Tuple3f first, second;
			Tuple3f position, scale, localY;
		} cases[] = {
			{{0, 4, 0}, {0, 0, 0}, {0, 2, 0}, {0.1f, 4, 0.1f}, {0, 1, 0}},
			{{0, 0, 0}, {0, 4, 0}, {0, 2, 0}, {0.1f, 4, 0.1f}, {0, -1, 0}},
			{{3, 1, 0}, {-1, -2, 0}, {1, -0.5f, 0}, {0.1f, 5, 0.1f}, {0.8f, 0.6f, 0}},
		};
		for (const auto& c : cases)
		{
			const ::ConnectionReader::Placement placement = ::ConnectionReader::Follow(c.first, c.second, 0.2f);
			ExpectNear(placement.position, c.position, "position");
			ExpectNear(placement.scale, c.scale, "scale");
			ExpectNear(Quaternion::Rotate(placement.orientation, Tuple3f(0, 1, 0)), c.localY, "y axis");
		}
		const ::ConnectionReader::Placement identity = ::ConnectionReader::Follow({0, 4, 0}, {0, 0, 0}, 0.2f);
		EXPECT_NEAR(identity.orientation.w, 1.0f, 1e-6f);
		// Closer than 1e-4: the length stays the tiny distance and the direction is not blown up.
		const ::ConnectionReader::Placement tiny = ::ConnectionReader::Follow({0, 0.00005f, 0}, {0, 0, 0}, 0.2f);
		EXPECT_NEAR(tiny.scale.y, 0.00005f, 1e-9f);
		EXPECT_NEAR(static_cast<float>(tiny.orientation.Length()), 1.0f, 1e-5f);
	}

	TEST_F(ConnectionReaderTest, AfterAPhysicsStepTheObjectIsPlacedAndItsBodyFollows)
	{
		Composition* rope = Rope();
		EXPECT_EQ(FakeConnection::ghosts, 1) << "the body became a ghost at start";
		FakeConnection::first = Tuple3f(0, 4, 0);
		FakeConnection::second = Tuple3f(0, 0, 0);
		PostStepReaders().UpdateAll();
		const Transform* transform = rope->GetComponent<Transform>();
		ExpectNear(transform->GetWorldPosition(), Tuple3f(0, 2, 0), "position");
		ExpectNear(transform->GetScale(), Tuple3f(0.1f, 4, 0.1f), "scale");
		EXPECT_EQ(FakeConnection::follows, 1);
	}

	TEST_F(ConnectionReaderTest, WithoutADistanceConstraintOrPhysicsTheObjectStays)
	{
		Composition* rope = Rope("7 7 7");
		FakeConnection::connected = false;
		rope->GetComponent<::ConnectionReader>()->Update();
		::ConnectionReader::Physics() = {};
		rope->GetComponent<::ConnectionReader>()->Update();
		ExpectNear(rope->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(7, 7, 7), "position");
		ExpectNear(rope->GetComponent<Transform>()->GetScale(), Tuple3f(1, 1, 1), "scale");
		EXPECT_EQ(FakeConnection::follows, 0);
	}

	TEST_F(ConnectionReaderTest, ReadersJoinThePostStepListInStartOrderAndACopyIsOnNone)
	{
		Composition* first = Rope();
		Composition* second = Rope();
		::ConnectionReader* firstReader = first->GetComponent<::ConnectionReader>();
		EXPECT_EQ(PostStepReaders().first, &firstReader->GetPostStepLink());
		EXPECT_EQ(PostStepReaders().last, &second->GetComponent<::ConnectionReader>()->GetPostStepLink());
		EXPECT_EQ(PostStepReaders().first->component, firstReader);
		EXPECT_THAT(test::SavedText(*firstReader), HasSubstr("<float name=\"radius\">0.2</float>"));
		const std::unique_ptr<Component> copy(firstReader->Clone());
		copy->Detach();
		EXPECT_EQ(PostStepReaders().count, 2u) << "detaching an unstarted copy leaves the list alone";
		firstReader->Detach();
		firstReader->Detach();
		second->GetComponent<::ConnectionReader>()->Detach();
		EXPECT_EQ(PostStepReaders().count, 0u);
	}
}
