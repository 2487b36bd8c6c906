#include "Components/Graphics/GolemModel.h"

#include "Components/Graphics/ModelTestSupport.h"
#include "Utilities/TestHelpers.h"

TW_MODEL_TEST(GolemModel, IsAModelOfItsOwnTypeThatDrawsNothingButFeedsTheBoneTransform)
{
	EXPECT_NE(GolemModel::TypeId(), Model::TypeId());
	GolemModel& golem = StartedModel<GolemModel>();
	EXPECT_EQ(golem.GetName(), "GolemModel");
	EXPECT_FALSE(golem.Update());
	std::unique_ptr<Component> copy(golem.Clone());
	EXPECT_EQ(copy->GetTypeId(), GolemModel::TypeId());
	EXPECT_EQ(static_cast<GolemModel&>(*copy).GetMedia(), golem.GetMedia());

	GolemModel& posed = StartedModel<GolemModel>({"Root", "Child"});
	Send(posed, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
	ASSERT_NE(posed.GetCurrentAnimation(), nullptr);
	EXPECT_EQ(posed.GetCurrentAnimation()->name, "Walk");
	posed.Animate(1.0f);
	ExpectNear(Bone(posed, "Root").position, Tuple3f(1, 0, 0), 1e-5);
	Send(posed, Message("ChangeAnimation").AddArgument(std::string("Spin")).AddArgument(0.5f));
	EXPECT_EQ(posed.GetCurrentAnimation()->name, "Spin");
	EXPECT_FLOAT_EQ(posed.GetSpeed(), 0.5f);
}

TW_MODEL_TEST(GolemModel, PosesItsBonesAsTheDrawnModelBesideItDoes)
{
	GolemModel& golem = StartedModel<GolemModel>({"Root", "Child"});
	Model& drawn = AddLoaded<Model>(ObjectFromId(golem.owner->GetId()), ModelText("Walker.model"));
	drawn.Start();
	Send(golem, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
	Send(golem, Message("SetAnimationSpeed").AddArgument(0.5f));
	Send(golem, Message("Ragdoll").AddArgument(true));
	for (const Model* model : {static_cast<const Model*>(&golem), static_cast<const Model*>(&drawn)})
	{
		ASSERT_NE(model->GetCurrentAnimation(), nullptr) << model->GetName();
		EXPECT_EQ(model->GetCurrentAnimation()->name, "Walk") << model->GetName();
		EXPECT_FLOAT_EQ(model->GetSpeed(), 0.5f) << model->GetName();
		EXPECT_TRUE(model->IsRagdoll()) << model->GetName();
	}
}
