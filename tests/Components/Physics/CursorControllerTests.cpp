#include "Components/Physics/CursorController.h"

#include "Components/Graphics/Camera.h"
#include "Components/Physics/PhysicsComponentWorld.h"

#include <gtest/gtest.h>


namespace
{
	using test::PhysicsComponentWorld;

	struct __AimedRayName
	{
		static constexpr const char* name = "AimedRay";
	};

	// Answers every ray query with the body and point the test aims at, or a miss.
	class AimedRay : public SystemBase<AimedRay, __AimedRayName>
	{
	public:
		void LoadConfig(Config&) override { RegisterHandler("PhysicsQueryRayCast", &AimedRay::OnQuery); }
		void OnQuery(Message::Reader reader)
		{
			bool* hit = reader.Read<bool*>();
			reader.Read<Tuple3f>();
			reader.Read<Tuple3f>();
			RigidBody** body = reader.Read<RigidBody**>();
			Tuple3f* point = reader.Read<Tuple3f*>();
			*hit = target != nullptr;
			if (target != nullptr && body != nullptr)
				*body = target;
			if (target != nullptr && point != nullptr)
				*point = targetPoint;
		}

		RigidBody* target = nullptr;
		Tuple3f targetPoint;
	};

	class CursorController_ : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			world = PhysicsComponentWorld::WithGraphics();
			if (world == nullptr)
				GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
			ray = new AimedRay();
			world->engine.engine->AddSystem(ray);
			::CursorController::Register();

			eye = PhysicsComponentWorld::AddCamera(Tuple3f());

			cursor = world->AddBodyObject("Cursor", Tuple3f(), false, PhysicsComponentWorld::BodyValues("NOGRAVITY"));
			PhysicsComponentWorld::AddLoaded(cursor, ::CursorController::TypeId(), "");
			cursor.object->Start();

			crate = world->AddBodyObject("Crate", Tuple3f(0, 0, -5), true, PhysicsComponentWorld::BodyValues("NOGRAVITY"));
			Aim(crate, Tuple3f(0, 0, -4));
		}

		void Aim(const Object& object, const Tuple3f& point)
		{
			ray->target = &PhysicsComponentWorld::RigidBodyOf(object);
			ray->targetPoint = point;
		}

		void Look(const Tuple3f& direction) { eye.object->GetComponent<Camera>()->SetDirection(direction.Normalize()); }

		::CursorController& Controller() const { return *cursor.object->GetComponent<::CursorController>(); }
		RigidBody& Crate() const { return PhysicsComponentWorld::RigidBodyOf(crate); }

		// The controller's update, then the physics step with the row the controller built.
		void Frame(int count = 1)
		{
			for (int i = 0; i < count; ++i)
			{
				Controller().Update();
				world->Step();
			}
		}

		unsigned ActiveRows() const { return world->Resolution().activeConstraints.Count(); }

		std::unique_ptr<PhysicsComponentWorld> world;
		// Owned by the engine.
		AimedRay* ray = nullptr;
		Object eye;
		Object cursor;
		Object crate;
	};

	class CursorControllerTest : public CursorController_
	{
	};

	TEST_F(CursorControllerTest, GrabDragsTheBodyToWithinTheSlackOfTheTarget)
	{
		Frame();
		EXPECT_EQ(Controller().GetSelectedBody(), &Crate());
		cursor.object->HandleMessage(Message("GrabSelectedBody"));
		EXPECT_EQ(Controller().GetGrabbedBody(), &Crate());
		EXPECT_EQ(ActiveRows(), 1u);

		// Turning the view a quarter to the right carries the grab point round at 4 units.
		Look(Tuple3f(1, 0, -1));
		Frame(200);
		const Tuple3f target = Tuple3f(1, 0, -1).Normalize() * 4.0f;
		const Tuple3f grabWorld = Crate().transforms.world * Tuple3f(0, 0, 1);
		EXPECT_LT((grabWorld - target).Length(), ::CursorController::kSlack + 0.02);
		EXPECT_GT(Crate().GetPosition().x, 2.0f);
	}

	TEST_F(CursorControllerTest, ABodyWithinTheSlackIsNotPulled)
	{
		Frame();
		cursor.object->HandleMessage(Message("GrabSelectedBody"));
		// The view moves the target 0.08 to the side: still within the slack.
		Look(Tuple3f(0.02f, 0, -1));
		Frame(30);
		EXPECT_FLOAT_EQ(Crate().GetPosition().x, 0.0f);
		EXPECT_FLOAT_EQ(Crate().GetPosition().z, -5.0f);
	}

	TEST_F(CursorControllerTest, AGrabOutlastsAMissAndEndsWithARelease)
	{
		cursor.object->HandleMessage(Message("ReleaseConstrainedBody"));
		cursor.object->HandleMessage(Message("GrabSelectedBody"));
		EXPECT_EQ(Controller().GetGrabbedBody(), nullptr) << "nothing selected yet";
		EXPECT_EQ(ActiveRows(), 0u);

		Frame();
		cursor.object->HandleMessage(Message("GrabSelectedBody"));
		ray->target = nullptr;
		Look(Tuple3f(1, 0, -1));
		Frame(20);
		EXPECT_EQ(Controller().GetSelectedBody(), nullptr);
		EXPECT_EQ(Controller().GetGrabbedBody(), &Crate());
		EXPECT_GT(Crate().GetPosition().x, 0.1f);

		cursor.object->HandleMessage(Message("ReleaseConstrainedBody"));
		EXPECT_EQ(Controller().GetGrabbedBody(), nullptr);
		EXPECT_EQ(ActiveRows(), 0u);
		EXPECT_EQ(world->Resolution().inactiveConstraints.Count(), 1u);
	}

	TEST_F(CursorControllerTest, LetsGoWhenTheGrabbedObjectIsGone)
	{
		Frame();
		cursor.object->HandleMessage(Message("GrabSelectedBody"));
		ray->target = nullptr;
		crate.object->Destroy();
		ProcessObjectChanges();
		Frame(3);
		EXPECT_EQ(Controller().GetGrabbedBody(), nullptr);
		EXPECT_EQ(ActiveRows(), 0u);
	}

	TEST_F(CursorControllerTest, RemovalErasesTheRow)
	{
		Frame();
		cursor.object->HandleMessage(Message("GrabSelectedBody"));
		cursor.object->RemoveComponent("CursorController");
		ProcessObjectChanges();
		EXPECT_EQ(ActiveRows(), 0u);
		EXPECT_EQ(world->Resolution().inactiveConstraints.Count(), 0u);
	}
}
