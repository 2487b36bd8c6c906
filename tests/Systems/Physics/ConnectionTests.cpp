#include "Systems/Physics/Connection.h"

#include "Systems/Physics/PhysicsWorld.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <typeinfo>
#include <vector>

namespace
{
	using test::JacobianPart;
	using test::Join;
	using test::LoadConnection;
	using test::PhysicsWorld;

	constexpr float kConnectionStep = 0.016f;
	constexpr float kBaumgarte = 15.0f;
	constexpr float kSlop = 0.005f;
	constexpr float kConnectionDegree = 0.017453292f;

	// One frame as the physics step runs it: the contact stage updates the connection, then the
	// resolution stage solves and integrates.
	void StepWith(PhysicsWorld& world, Connection& connection, int steps)
	{
		for (int i = 0; i < steps; ++i)
		{
			connection.Update(world.Resolution());
			world.Step();
		}
	}

	// The distance between the two world anchors of the connection's distance constraint.
	float AnchorGap(const Connection& connection)
	{
		const DistanceConstraint& d = *connection.FindDistanceConstraint();
		return static_cast<float>(
			(connection.bodyA->transforms.world * d.anchorA).Distance(connection.bodyB->transforms.world * d.anchorB));
	}

	std::string SavedConnection(const Connection& connection)
	{
		Serializer writer;
		connection.Save(writer);
		std::ostringstream text;
		writer.SaveToStream(text);
		return text.str();
	}

	// A static anchor at the origin joined by a rope or rod of the given length to a unit mass.
	struct AnchoredLine
	{
		AnchoredLine(const char* kind, float length, const Tuple3f& endPosition, unsigned endFlags = 0,
			const Matrix4& endInertia = Matrix4()) :
			anchor(world.AddBody(0.0f, Tuple3f())),
			end(world.AddBody(1.0f, endPosition, endFlags, endInertia)),
			connection(LoadConnection(kind, length, Tuple3f(), Tuple3f()))
		{
			Join(world.Resolution(), *connection, anchor, end);
		}

		const DistanceConstraint& Distance() const { return *connection->FindDistanceConstraint(); }

		PhysicsWorld world;
		RigidBody& anchor;
		RigidBody& end;
		std::unique_ptr<Connection> connection;
	};

	// A unit mass hanging 1 below a static body on a socket with a 30-degree cone.
	struct HangingSocket
	{
		HangingSocket() :
			upper(world.AddBody(0.0f, Tuple3f())),
			lower(world.AddBody(1.0f, Tuple3f(0, -1, 0))),
			socket(LoadConnection("Socket", Tuple3f(0, -0.5f, 0), 30.0f, Tuple3f(0, -1, 0), Tuple3f(0, -1, 0)))
		{
			Join(world.Resolution(), *socket, upper, lower);
		}

		SocketConnection& Joint() { return static_cast<SocketConnection&>(*socket); }

		PhysicsWorld world;
		RigidBody& upper;
		RigidBody& lower;
		std::unique_ptr<Connection> socket;
	};

	// The turn of the body about y, from its orientation's rotation vector.
	float TurnAboutY(const RigidBody& body)
	{
		return QuaternionToRotationVector(body.orientation).y;
	}
}

TEST(Connection, KindsAreMadeFromPrototypesAndListTheirConstraintsOnceRead)
{
	const Tuple3f zero, down(0, -1, 0);
	const struct
	{
		const char* kind;
		std::unique_ptr<Connection> loaded;
		std::size_t listed;
	} kinds[] = {{"Rope", LoadConnection("Rope", 2.0f, zero, zero), 1}, {"Rod", LoadConnection("Rod", 2.0f, zero, zero), 1},
		{"Socket", LoadConnection("Socket", zero, 30.0f, down, down), 3},
		{"Hinge", LoadConnection("Hinge", zero, 90.0f, down, down, Tuple3f(0, 0, 1)), 1}};
	for (const auto& k : kinds)
	{
		SCOPED_TRACE(k.kind);
		const Connection* prototype = ConnectionPrototypeLookup(k.kind);
		ASSERT_NE(prototype, nullptr);
		const std::unique_ptr<Connection> fresh = prototype->Create();
		EXPECT_EQ(typeid(*fresh), typeid(*prototype));
		EXPECT_EQ(fresh->FindDistanceConstraint(), nullptr) << "nothing is listed before the connection is read";

		ASSERT_EQ(k.loaded->constraints.size(), k.listed);
		// The distance constraint comes last: the socket's third.
		EXPECT_EQ(k.loaded->FindDistanceConstraint(), k.loaded->constraints.back());
		for (const BaseConstraint* constraint : k.loaded->constraints)
			EXPECT_TRUE(constraint->owner == k.loaded.get() && constraint->beta == kBaumgarte);
	}
	EXPECT_EQ(ConnectionPrototypeLookup("rope"), nullptr);
}

TEST(Connection, SavingAndReadingKeepsEveryFieldInKeyOrder)
{
	const struct
	{
		const char* kind;
		std::unique_ptr<Connection> loaded;
		std::vector<const char*> keys;
	} kinds[] = {
		{"Rope", LoadConnection("Rope", 2.5f, Tuple3f(1, 0, 0), Tuple3f(0, 1, 0)), {"Length", "Position 1", "Position 2"}},
		{"Rod", LoadConnection("Rod", 2.5f, Tuple3f(1, 0, 0), Tuple3f(0, 1, 0)), {"Radius", "Position 1", "Position 2"}},
		{"Socket", LoadConnection("Socket", Tuple3f(1, 2, 3), 35.0f, Tuple3f(0, -1, 0), Tuple3f(1, 0, 0)),
			{"Position 1", "Angle", "ModelDirection1", "ModelDirection2"}},
		{"Hinge", LoadConnection("Hinge", Tuple3f(1, 2, 3), 45.0f, Tuple3f(1, 0, 0), Tuple3f(0, 1, 0), Tuple3f(0, 0, 1)),
			{"model position 1", "angle", "model direction 1", "model direction 2", "rotation axis 1"}}};
	for (const auto& k : kinds)
	{
		const std::string text = SavedConnection(*k.loaded);
		std::size_t previous = 0;
		for (const char* key : k.keys)
		{
			const std::size_t at = text.find(std::string("\"") + key + "\"");
			EXPECT_TRUE(at != std::string::npos && at >= previous) << key << " in " << text;
			previous = at;
		}
		Serializer data;
		k.loaded->Save(data);
		data.SwitchToReading();
		std::unique_ptr<Connection> copy = ConnectionPrototypeLookup(k.kind)->Create();
		copy->Load(data);
		EXPECT_EQ(SavedConnection(*copy), text) << k.kind;
	}
	// Angles are written in degrees, as read.
	EXPECT_NE(SavedConnection(*kinds[2].loaded).find(">35<"), std::string::npos);
	EXPECT_NEAR(static_cast<SocketConnection&>(*kinds[2].loaded).cone.limit, std::sin(35.0f * kConnectionDegree), 1e-6);
}

TEST(Connection, StaticPairsAndPairsWithoutABodyStayDisconnected)
{
	PhysicsWorld world;
	ResolutionManager& resolution = world.Resolution();
	RigidBody& wall = world.AddBody(0.0f, Tuple3f());
	RigidBody& crate = world.AddBody(1.0f, Tuple3f(3, 0, 0));
	auto rope = LoadConnection("Rope", 2.0f, Tuple3f(), Tuple3f());
	rope->bodyA = &wall;
	rope->bodyB = &crate;
	rope->CreateConstraints(resolution);
	ASSERT_TRUE(rope->SetUp());
	crate.staticMarker = true;

	rope->Update(resolution);
	EXPECT_FALSE(rope->connected);
	EXPECT_EQ(resolution.activeConstraints.Count(), 0u);

	// Once one body moves again the rope connects, wakes both bodies and builds its row.
	crate.staticMarker = false;
	crate.Sleep();
	rope->Update(resolution);
	EXPECT_TRUE(rope->connected);
	EXPECT_FALSE(crate.IsAsleep());
	EXPECT_FALSE(wall.IsAsleep());
	EXPECT_EQ(resolution.activeConstraints.Count(), 1u);
	EXPECT_NE(JacobianPart(*rope->constraints[0]->ref.record, 6), Tuple3f());

	crate.staticMarker = true;
	rope->Update(resolution);
	EXPECT_FALSE(rope->connected);
	EXPECT_EQ(resolution.activeConstraints.Count(), 0u);
	EXPECT_EQ(resolution.inactiveConstraints.Count(), 1u);

	// Without both bodies nothing is set up or connected.
	auto rod = LoadConnection("Rod", 1.0f, Tuple3f(), Tuple3f());
	rod->bodyA = &crate;
	rod->CreateConstraints(resolution);
	EXPECT_FALSE(rod->SetUp());
	EXPECT_FALSE(rod->Connect(resolution));
	rod->Update(resolution);
	EXPECT_FALSE(rod->connected);
	EXPECT_EQ(resolution.activeConstraints.Count(), 0u);
}

TEST(Connection, DestroyingErasesTheRowsExceptWhileALevelIsTornDown)
{
	HangingSocket hanging;
	PhysicsWorld& world = hanging.world;
	ResolutionManager& resolution = world.Resolution();
	EXPECT_EQ(resolution.activeConstraints.Count(), 3u);
	hanging.socket->Disconnect(resolution);
	EXPECT_EQ(resolution.inactiveConstraints.Count(), 3u);
	hanging.socket->DestroyConstraints(resolution);
	EXPECT_EQ(resolution.inactiveConstraints.Count(), 0u);

	// While a level goes, the lists are emptied wholesale and the connection leaves them alone.
	auto rope = LoadConnection("Rope", 2.0f, Tuple3f(), Tuple3f());
	Join(resolution, *rope, world.AddBody(0.0f, Tuple3f()), world.AddBody(1.0f, Tuple3f(0, -1, 0)));
	Engine::SendMessage(Message("UnloadingLevel"));
	const ConstraintRef* rows = &rope->constraints[0]->ref;
	ConstraintRef other = resolution.CreateConstraint();
	rope->Disconnect(resolution);
	EXPECT_TRUE(rope->connected);
	rope->DestroyConstraints(resolution);
	EXPECT_EQ(rows->record, nullptr);
	EXPECT_EQ(resolution.inactiveConstraints.Count(), 1u) << "a newer row in the emptied lists is untouched";
	resolution.DestroyConstraint(other);
}

TEST(Rope, SlackRopeExertsNothingAndATautOnePulls)
{
	AnchoredLine line("Rope", 2.0f, Tuple3f(1.5f, 0, 0), kBodyNoGravity);
	PhysicsWorld& world = line.world;
	RigidBody& ball = line.end;
	Connection* rope = line.connection.get();
	const DistanceConstraint& distance = line.Distance();
	EXPECT_EQ(distance.lowerBound, -kUnboundedMultiplier);
	EXPECT_EQ(distance.upperBound, 0.0f);

	ball.velocity = Tuple3f(-1, 0, 0);
	rope->Update(world.Resolution());
	for (float value : distance.ref.record->jacobian)
		EXPECT_EQ(value, 0.0f);
	world.Step();
	EXPECT_EQ(ball.velocity, Tuple3f(-1, 0, 0)) << "a slack rope does not stop the ball";

	ball.transform->SetWorldPosition(Tuple3f(2.1f, 0, 0));
	ball.UpdateDerived();
	ball.velocity = Tuple3f(1, 0, 0);
	rope->Update(world.Resolution());
	EXPECT_NEAR(distance.ref.record->bias, -kBaumgarte * (0.1f - kSlop), 1e-5);
	ExpectNear(JacobianPart(*distance.ref.record, 6), Tuple3f(1, 0, 0), 1e-6);
	world.Step();
	// The ball's outward speed becomes the bias: it is pulled back in.
	EXPECT_NEAR(ball.velocity.x, -kBaumgarte * (0.1f - kSlop), 1e-4);
}

TEST(Rope, PendulumStaysWithinItsLengthAndSwingsAtItsPeriod)
{
	const float length = 2.0f;
	const float start = 10.0f * kConnectionDegree;
	AnchoredLine line("Rope", length, Tuple3f(length * std::sin(start), -length * std::cos(start), 0));
	RigidBody& bob = line.end;
	Connection& rope = *line.connection;

	float longest = 0.0f;
	std::vector<float> upwardCrossings;
	float previousX = bob.GetPosition().x;
	for (int step = 1; step <= 600; ++step)
	{
		StepWith(line.world, rope, 1);
		longest = std::max(longest, AnchorGap(rope));
		const float x = bob.GetPosition().x;
		if (previousX < 0.0f && x >= 0.0f)
			upwardCrossings.push_back((step - 1 + previousX / (previousX - x)) * kConnectionStep);
		previousX = x;
	}
	EXPECT_LE(longest, 2.05f);
	ASSERT_GE(upwardCrossings.size(), 3u);
	const float period = (upwardCrossings.back() - upwardCrossings.front()) / (upwardCrossings.size() - 1);
	const float expected = 2.0f * std::numbers::pi_v<float> * std::sqrt(length / 9.8f);
	EXPECT_NEAR(period, expected, 0.1f * expected);
	std::cout << "Rope pendulum: longest " << longest << " m, period " << period << " s against " << expected << " s\n";
}

TEST(Rope, AKinematicEndMovesOnlyAsItIsTold)
{
	PhysicsWorld world;
	RigidBody& hand = world.AddBody(0.0f, Tuple3f(), kBodyLogic | kBodyNoGravity);
	RigidBody& weight = world.AddBody(1.0f, Tuple3f(0, -2, 0));
	auto rope = LoadConnection("Rope", 1.0f, Tuple3f(), Tuple3f());
	Join(world.Resolution(), *rope, hand, weight);
	hand.velocity = Tuple3f(0.5f, 0, 0);
	StepWith(world, *rope, 100);
	ExpectNear(hand.GetPosition(), Tuple3f(100 * 0.5f * kConnectionStep, 0, 0), 1e-4);
	EXPECT_EQ(hand.velocity, Tuple3f(0.5f, 0, 0));
	EXPECT_LE(AnchorGap(*rope), 1.05f) << "the weight follows the hand";
}

TEST(Rod, KeepsItsLengthWithinOnePercentWhileSwinging)
{
	const float length = 1.5f;
	AnchoredLine line("Rod", length, Tuple3f(length, 0, 0), 0, test::SphereInverseInertia(1.0f, 0.2f));
	EXPECT_EQ(line.Distance().upperBound, kUnboundedMultiplier);
	float worst = 0.0f;
	for (int step = 0; step < 600; ++step)
	{
		StepWith(line.world, *line.connection, 1);
		worst = std::max(worst, std::fabs(AnchorGap(*line.connection) - length));
	}
	EXPECT_LE(worst, 0.01f * length);
	std::cout << "Rod of " << length << " m: largest length error " << worst << " m\n";
}

TEST(Rod, StopsApproachButDoesNotPushACompressedEndApart)
{
	AnchoredLine line("Rod", 2.0f, Tuple3f(2, 0, 0), kBodyNoGravity);
	RigidBody& end = line.end;
	end.velocity = Tuple3f(-1, 0, 0);
	StepWith(line.world, *line.connection, 1);
	EXPECT_NEAR(end.velocity.x, 0.0f, 1e-5);

	end.transform->SetWorldPosition(Tuple3f(1.5f, 0, 0));
	end.UpdateDerived();
	end.velocity = Tuple3f();
	StepWith(line.world, *line.connection, 5);
	EXPECT_EQ(line.Distance().ref.record->bias, 0.0f);
	EXPECT_NEAR(end.GetPosition().x, 1.5f, 1e-5) << "the error is corrected only when stretched";
}

TEST(Socket, TakesThePoseAtConnectionAsItsRestPose)
{
	PhysicsWorld world;
	RigidBody& shoulder = world.AddBody(0.0f, Tuple3f(0, 2, 0));
	shoulder.SetOrientation(QuaternionFromRotationVector(Tuple3f(0, 0, 0.3f)));
	shoulder.UpdateDerived();
	RigidBody& arm = world.AddBody(1.0f, Tuple3f(0.2f, 1, 0));
	arm.SetOrientation(QuaternionFromRotationVector(Tuple3f(0, 0.5f, 0)));
	arm.UpdateDerived();
	auto socket = LoadConnection("Socket", Tuple3f(0, -0.5f, 0), 30.0f, Tuple3f(0, -1, 0), Tuple3f(0, -1, 0));
	Join(world.Resolution(), *socket, shoulder, arm);
	auto& joint = static_cast<SocketConnection&>(*socket);

	EXPECT_NEAR(AnchorGap(*socket), 0.0f, 1e-5);
	ExpectNear(Quaternion::Rotate(arm.orientation, joint.axis.direction),
		Quaternion::Rotate(shoulder.orientation, joint.axis.reference), 1e-5);
	EXPECT_NEAR(joint.axis.reference.DotProduct(Tuple3f(0, -1, 0)), 0.0f, 1e-6) << "the reference lies across the axis";
}

TEST(Socket, ConeRowActsOnlyBeyondTheConeAngle)
{
	const struct
	{
		float degrees;
		bool active;
	} cases[] = {{0.0f, false}, {15.0f, false}, {25.0f, false}, {40.0f, true}, {60.0f, true}};
	for (const auto& c : cases)
	{
		HangingSocket hanging;
		hanging.lower.SetOrientation(QuaternionFromRotationVector(Tuple3f(0, 0, c.degrees * kConnectionDegree)));
		hanging.lower.UpdateDerived();
		hanging.socket->Update(hanging.world.Resolution());
		const Constraint& cone = *hanging.Joint().cone.ref.record;
		EXPECT_EQ(cone.upperBound, c.active ? kUnboundedMultiplier : 0.0f) << c.degrees << " degrees";
	}
}

TEST(Socket, TwistRowStaysOffWhenTheDirectionLiesAlongTheAxis)
{
	HangingSocket hanging;
	// B's twist direction turned onto the axis: nothing across the axis is left to measure.
	hanging.Joint().axis.direction = Tuple3f(0, -1, 0);
	hanging.socket->Update(hanging.world.Resolution());
	const Constraint& twist = *hanging.Joint().axis.ref.record;
	for (float value : twist.jacobian)
		EXPECT_EQ(value, 0.0f);
	EXPECT_EQ(twist.upperBound, 0.0f);
	StepWith(hanging.world, *hanging.socket, 10);
	EXPECT_TRUE(std::isfinite(hanging.lower.velocity.y) && std::isfinite(hanging.lower.angularVelocity.x));
}

TEST(Socket, HoldsTwistWhereAHingeLetsItTurn)
{
	// A body hanging below a static one, spun about the line through the anchor and its centre.
	const Tuple3f anchor(0, -0.5f, 0);
	const Tuple3f down(0, -1, 0);
	auto socket = LoadConnection("Socket", anchor, 30.0f, down, down);
	auto hinge = LoadConnection("Hinge", anchor, 90.0f, down, down, Tuple3f(0, 0, 1));
	float turned[2] = {};
	float gap[2] = {};
	int index = 0;
	for (Connection* connection : {socket.get(), hinge.get()})
	{
		PhysicsWorld world;
		RigidBody& top = world.AddBody(0.0f, Tuple3f());
		RigidBody& spun = world.AddBody(1.0f, Tuple3f(0, -1, 0), kBodyNoGravity, test::SphereInverseInertia(1.0f, 0.3f));
		Join(world.Resolution(), *connection, top, spun);
		spun.angularVelocity = Tuple3f(0, 2, 0);
		StepWith(world, *connection, 30);
		turned[index] = std::fabs(TurnAboutY(spun));
		gap[index++] = AnchorGap(*connection);
	}
	EXPECT_LT(turned[0], 10.0f * kConnectionDegree) << "the socket's twist row holds it";
	EXPECT_NEAR(turned[1], 2.0f * 30 * kConnectionStep, 0.01f) << "the hinge constrains no rotation";
	EXPECT_LT(gap[0], 0.01f);
	EXPECT_LT(gap[1], 0.01f);
}

TEST(Hinge, ListsOnlyItsAnchorAndConfiguresItsPlane)
{
	PhysicsWorld world;
	auto hinge = LoadConnection("Hinge", Tuple3f(0, 1, 0), 90.0f, Tuple3f(1, 0, 0), Tuple3f(0, 1, 0), Tuple3f(0, 0, 2));
	const auto& joint = static_cast<HingeConnection&>(*hinge);
	// The second limit is the first turned 90 degrees about the normalised axis.
	ExpectNear(joint.plane.limitDirection2, Tuple3f(0, 1, 0), 1e-6);
	ExpectNear(joint.plane.planeNormal, Tuple3f(0, 0, 1), 1e-6);
	EXPECT_NEAR(joint.plane.threshold, 1.0f / std::numbers::sqrt2_v<float>, 1e-6);

	Join(world.Resolution(), *hinge, world.AddBody(0.0f, Tuple3f()), world.AddBody(1.0f, Tuple3f(0, 2, 0)));
	EXPECT_EQ(world.Resolution().activeConstraints.Count(), 1u);
	EXPECT_EQ(joint.plane.ref.record, nullptr);
	EXPECT_EQ(joint.axis.ref.record, nullptr);
}

TEST(Rope, AStaticAnchorTakesNoTurnFromThePull)
{
	// The anchor's collider reports an inertia although the body has no mass; the rope pulls
	// off its centre, so a torque lands on it every step.
	PhysicsWorld world;
	RigidBody& anchor = world.AddBody(0.0f, Tuple3f(), 0, test::SphereInverseInertia(1.0f, 1.0f));
	RigidBody& ball = world.AddBody(1.0f, Tuple3f(2, 1, 0));
	auto rope = LoadConnection("Rope", 2.0f, Tuple3f(0, 1, 0), Tuple3f());
	Join(world.Resolution(), *rope, anchor, ball);
	const std::size_t removals = world.engine.ArgumentsOf("RemoveObstacle").size();
	float largestTorque = 0.0f;
	for (int step = 0; step < 60; ++step)
	{
		StepWith(world, *rope, 1);
		largestTorque = std::max(largestTorque, std::fabs(anchor.constraintForce[5]));
	}
	EXPECT_GT(largestTorque, 1.0f) << "the rope did pull";
	EXPECT_EQ(anchor.angularVelocity, Tuple3f());
	EXPECT_EQ(anchor.orientation, Quaternion());
	EXPECT_TRUE(anchor.IsAsleep());
	EXPECT_EQ(world.engine.ArgumentsOf("RemoveObstacle").size(), removals) << "the anchor never woke";
}
