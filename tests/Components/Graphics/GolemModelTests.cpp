#include "Components/Graphics/GolemModel.h"

#include "Components/Graphics/ModelTestSupport.h"
#include "Utilities/TestHelpers.h"

TW_MODEL_TEST(GolemModel, IsAModelOfItsOwnTypeThatDrawsNothing)
{
	EXPECT_NE(GolemModel::TypeId(), Model::TypeId());
	GolemModel& golem = StartedModel<GolemModel>();
	EXPECT_EQ(golem.GetName(), "GolemModel");
	EXPECT_FALSE(golem.Update());
	std::unique_ptr<Component> copy(golem.Clone());
	EXPECT_EQ(copy->GetTypeId(), GolemModel::TypeId());
	EXPECT_EQ(static_cast<GolemModel&>(*copy).GetMedia(), golem.GetMedia());
}

TW_MODEL_TEST(GolemModel, AnimationMessagesReachItAndItFeedsTheBoneTransform)
{
	GolemModel& golem = StartedModel<GolemModel>({"Root", "Child"});
	Send(golem, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
	ASSERT_NE(golem.GetCurrentAnimation(), nullptr);
	EXPECT_EQ(golem.GetCurrentAnimation()->name, "Walk");
	golem.Animate(1.0f);
	ExpectNear(Bone(golem, "Root").position, Tuple3f(1, 0, 0), 1e-5);
	Send(golem, Message("ChangeAnimation").AddArgument(std::string("Spin")).AddArgument(0.5f));
	EXPECT_EQ(golem.GetCurrentAnimation()->name, "Spin");
	EXPECT_FLOAT_EQ(golem.GetSpeed(), 0.5f);
}
