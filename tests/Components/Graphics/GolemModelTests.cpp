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
