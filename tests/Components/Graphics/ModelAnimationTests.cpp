#include "Components/Graphics/ModelData.h"

#include "Components/Graphics/ModelTestSupport.h"
#include "Utilities/TestHelpers.h"

#include <cmath>
#include <random>

namespace
{
	using test::kQuarterTurnAboutZ;
	using test::kQuarterTurnX;
	constexpr double kTolerance = 1e-5;

	class Animation : public test::ModelTest
	{
	};

	// q and -q are the same rotation.
	void ExpectSameRotation(const Quaternion& actual, const Quaternion& expected, double tolerance = kTolerance)
	{
		const double dot = static_cast<double>(actual.x) * expected.x + static_cast<double>(actual.y) * expected.y +
			static_cast<double>(actual.z) * expected.z + static_cast<double>(actual.w) * expected.w;
		EXPECT_NEAR(std::fabs(dot), 1.0, tolerance) << actual << " vs " << expected;
	}

	Matrix4 Translation(const Tuple3f& offset)
	{
		return Model::BuildPoseMatrix(offset, Quaternion());
	}
}

TEST(AnimationTrack, SamplingInterpolatesExtrapolatesAndHoldsTheLastKey)
{
	const std::vector<Model::Key> keys = {{1.0f, {0, 0, 0}, {}}, {2.0f, {2, 0, 0}, kQuarterTurnAboutZ}, {4.0f, {2, 4, 0}, kQuarterTurnAboutZ}};
	const Quaternion eighthTurn = Quaternion::Slerp(Quaternion(), kQuarterTurnAboutZ, 0.5f);
	const struct
	{
		float time;
		unsigned cursorBefore;
		Tuple3f position;
		Quaternion rotation;
		unsigned cursorAfter;
	} cases[] = {
		{1.0f, 0, {0, 0, 0}, {}, 0},                      // exactly on a key: that key
		{1.5f, 0, {1, 0, 0}, eighthTurn, 0},              // halfway
		{0.0f, 0, {-2, 0, 0}, kQuarterTurnAboutZ.Conjugate(), 0}, // before the first key: extrapolated
		{3.0f, 0, {2, 2, 0}, kQuarterTurnAboutZ, 1},      // the cursor moves forward
		{9.0f, 1, {2, 4, 0}, kQuarterTurnAboutZ, 2},      // past the last key: the last key
		{1.5f, 2, {1, 0, 0}, eighthTurn, 0},              // and back
	};
	for (const auto& c : cases)
	{
		unsigned cursor = c.cursorBefore;
		Tuple3f position;
		Quaternion rotation;
		Model::EvaluateTrack(keys, cursor, c.time, position, rotation);
		ExpectNear(position, c.position, kTolerance);
		ExpectNear(rotation, c.rotation, kTolerance);
		EXPECT_EQ(cursor, c.cursorAfter) << "time " << c.time;
	}

	// One key holds at every time; two keys at one time give the earlier, not 0/0.
	for (const std::vector<Model::Key>& track : {std::vector<Model::Key>{{3.0f, {5, 6, 7}, kQuarterTurnX}},
			 std::vector<Model::Key>{{3.0f, {5, 6, 7}, kQuarterTurnX}, {3.0f, {9, 9, 9}, {}}, {4.0f, {9, 9, 9}, {}}}})
		for (float time : {-10.0f, 3.0f})
		{
			unsigned cursor = 0;
			Tuple3f position;
			Quaternion rotation;
			Model::EvaluateTrack(track, cursor, time, position, rotation);
			if (time == 3.0f || track.size() == 1)
			{
				ExpectNear(position, Tuple3f(5, 6, 7), kTolerance);
				ExpectNear(rotation, kQuarterTurnX, kTolerance);
			}
			EXPECT_TRUE(std::isfinite(position.x)) << track.size() << " keys at time " << time;
		}
}

TEST(AnimationTrack, MatrixRotationIsStableNearHalfTurns)
{
	std::mt19937 random(16);
	std::uniform_real_distribution<float> component(-1.0f, 1.0f);
	std::uniform_real_distribution<float> angle(0.0f, 2.0f * std::numbers::pi_v<float>);
	for (int trial = 0; trial < 2000; ++trial)
	{
		const Tuple3f axis = Tuple3f(component(random), component(random), component(random)).Normalize();
		// Every fourth rotation lies within a hair of a half turn, where 1 + trace is about 0.
		const float turn = trial % 4 == 0 ? std::numbers::pi_v<float> - static_cast<float>(trial % 7) * 1e-4f : angle(random);
		const Quaternion rotation = QuaternionFromRotationVector(axis * turn);
		const Quaternion found = QuaternionFromRotationMatrix(Model::BuildPoseMatrix({1, 2, 3}, rotation));
		ASSERT_TRUE(std::isfinite(found.x) && std::isfinite(found.w)) << "axis " << axis << " angle " << turn;
		ExpectSameRotation(found, rotation, 1e-4);
		EXPECT_GE(found.w, 0.0f);
	}
}

TEST_F(Animation, TimeLoopsPastTheDurationAtTheModelsSpeed)
{
	Model& model = StartedModel();
	Send(model, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
	std::vector<float> times;
	for (int frame = 0; frame < 8; ++frame)
	{
		model.Animate(0.16f);
		times.push_back(model.GetTime());
	}
	const std::vector<float> expected = {0.16f, 0.32f, 0.48f, 0.64f, 0.8f, 0.96f, 0.0f, 0.16f};
	for (std::size_t i = 0; i < times.size(); ++i)
		EXPECT_NEAR(times[i], expected[i], 1e-5) << "frame " << i;

	// A time equal to the duration stays; the default speed moves 0.004 a frame.
	Send(model, Message("SetAnimationSpeed").AddArgument(1.0f));
	model.Animate(0.84f);
	EXPECT_FLOAT_EQ(model.GetTime(), 1.0f);
	Send(model, Message("SetAnimationSpeed").AddArgument(Model::kDefaultSpeed));
	model.Animate(0.16f);
	EXPECT_FLOAT_EQ(model.GetTime(), 0.0f);
	model.Animate(0.16f);
	EXPECT_NEAR(model.GetTime(), 0.004f, 1e-7);
}

TEST_F(Animation, PosedBonesReachTheBoneTransformInModelSpace)
{
	// No "Child" entry: that bone is posed but not written, and no entry is made for it.
	Model& partly = StartedModel({"Root"});
	Model& model = StartedModel({"Root", "Child"});
	for (Model* walker : {&partly, &model})
	{
		Send(*walker, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
		walker->Animate(0.5f);
	}
	EXPECT_EQ(partly.owner->GetComponent<BoneTransform>()->Find("Child"), partly.owner->GetComponent<BoneTransform>()->End());

	const Quaternion rootTurn = Quaternion::Slerp(Quaternion(), kQuarterTurnX, 0.5f);
	const Quaternion childTurn = Quaternion::Slerp(Quaternion(), kQuarterTurnAboutZ, 0.5f);
	const Tuple3f rootPosition(0.5f, 0, 0);
	ExpectNear(Bone(model, "Root").position, rootPosition, kTolerance);
	ExpectSameRotation(Bone(model, "Root").orientation, rootTurn);
	// The parent's rotation first.
	ExpectSameRotation(Bone(model, "Child").orientation, rootTurn * childTurn);
	ExpectNear(Bone(model, "Child").position, rootPosition + Quaternion::Rotate(rootTurn, Tuple3f(0, 1, 0)), kTolerance);

	// Skinning matrices: the posed bone times its skin offset (the inverse bind pose).
	const Matrix4 root = Model::BuildPoseMatrix(rootPosition, rootTurn);
	ASSERT_EQ(model.GetBoneMatrices().size(), 2u);
	ExpectNear(model.GetBoneMatrices()[0], root, kTolerance);
	ExpectNear(model.GetBoneMatrices()[1], root * Model::BuildPoseMatrix({0, 1, 0}, childTurn) * Translation({0, -1, 0}), kTolerance);
	ExpectNear(partly.GetBoneMatrices()[1], model.GetBoneMatrices()[1], kTolerance);
}

TEST_F(Animation, BindPoseIsComputedWithOrWithoutABoneTransform)
{
	for (const std::vector<std::string>& entries : {std::vector<std::string>{}, std::vector<std::string>{"Root", "Child"}})
	{
		Model& model = StartedModel(entries);
		// Skin offsets that undo the bind pose leave every bone matrix the identity.
		ASSERT_EQ(model.GetBoneMatrices().size(), 2u);
		for (const Matrix4& matrix : model.GetBoneMatrices())
			ExpectNear(matrix, Matrix4::Identity(), kTolerance);
		EXPECT_EQ(model.GetCurrentAnimation(), nullptr);
		if (!entries.empty())
		{
			ExpectNear(Bone(model, "Child").position, Tuple3f(0, 1, 0), kTolerance);
			ExpectSameRotation(Bone(model, "Child").orientation, Quaternion());
		}
	}
}

TEST_F(Animation, RagdollPoseFollowsTheBoneTransformWhileTimeStands)
{
	Model& ragdoll = StartedModel({"Root", "Child"});
	Model& loose = StartedModel();
	for (Model* model : {&ragdoll, &loose})
	{
		Send(*model, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
		Send(*model, Message("Ragdoll").AddArgument(true));
		model->Animate(0.25f);
	}
	// Without a BoneTransform the flag changes nothing: the animation plays.
	EXPECT_FLOAT_EQ(loose.GetTime(), 0.25f);
	EXPECT_FLOAT_EQ(ragdoll.GetTime(), 0.0f);
	EXPECT_TRUE(ragdoll.IsRagdoll());

	Bone(ragdoll, "Child") = {kQuarterTurnX, Tuple3f(3, 4, 5), {}};
	ragdoll.Animate(0.25f);
	ExpectNear(ragdoll.GetBoneMatrices()[1], Model::BuildPoseMatrix({3, 4, 5}, kQuarterTurnX) * Translation({0, -1, 0}), kTolerance);
	Send(ragdoll, Message("Ragdoll").AddArgument(false));
	ragdoll.Animate(0.25f);
	EXPECT_FLOAT_EQ(ragdoll.GetTime(), 0.25f);
}

TEST_F(Animation, SetAndChangeAnimationSwitchWithoutBlending)
{
	Model& model = StartedModel({"Root", "Child"});
	const Model::Animation* walk = nullptr;
	const Model::Animation* spin = nullptr;
	ASSERT_TRUE(model.FindAnimation("Walk", walk));
	ASSERT_TRUE(model.FindAnimation("Spin", spin));
	const auto named = [](const char* name) { return Message(name); };
	const struct
	{
		Message message;
		const Model::Animation* animation;
		float time;
		float speed;
	} steps[] = {
		{named("SetAnimation").AddArgument(std::string("Walk")), walk, 0.0f, 0.1f},
		// The current animation again: neither time nor speed change.
		{named("SetAnimation").AddArgument(std::string("Walk")).AddArgument(2.0f), walk, 0.016f, 0.1f},
		{named("ChangeAnimation").AddArgument(std::string("Walk")).AddArgument(0.5f), walk, 0.032f, 0.5f},
		{named("SetAnimation").AddArgument(std::string("Nope")).AddArgument(3.0f), walk, 0.112f, 0.5f},
		// An unknown name still takes the speed.
		{named("ChangeAnimation").AddArgument(std::string("Nope")).AddArgument(0.25f), walk, 0.192f, 0.25f},
		{named("ChangeAnimation").AddArgument(std::string("Spin")), spin, 0.0f, 0.25f},
		{named("SetAnimation").AddArgument(std::string("Walk")).AddArgument(2.0f), walk, 0.0f, 2.0f},
		{named("SetAnimationSpeed").AddArgument(0.5f), walk, 0.32f, 0.5f},
		// The empty name stops the animation: the bind pose.
		{named("SetAnimation").AddArgument(std::string("")), nullptr, 0.0f, 0.1f},
	};
	for (const auto& step : steps)
	{
		Send(model, step.message);
		EXPECT_EQ(model.GetCurrentAnimation(), step.animation) << step.message.GetName();
		EXPECT_NEAR(model.GetTime(), step.time, 1e-6) << step.message.GetName();
		EXPECT_FLOAT_EQ(model.GetSpeed(), step.speed) << step.message.GetName();
		model.Animate(0.16f);
	}
	// A switch takes effect from the new animation's first keys at the next step.
	ExpectNear(Bone(model, "Root").position, Tuple3f(0, 0, 0), kTolerance);
	ExpectNear(model.GetBoneMatrices()[1], Matrix4::Identity(), kTolerance);
}
