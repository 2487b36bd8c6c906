#include "Utilities/OperGetterType.h"
#include "Utilities/OperatorVariable.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace
{
	struct VariableRecord
	{
		float x;
		int id;
	};

	// A value that changes while variables over it are alive, like a button's state.
	struct VariableGauge
	{
		float Reading() const { return level; }
		float level = 0.0f;
	};

	template <typename T>
	T ReadAs(const Variable& variable, T initial)
	{
		variable.GetValue(initial);
		return initial;
	}
}

TEST(Variable, NumbersConvertWhenReadAsAnotherNumberType)
{
	EXPECT_EQ(ReadAs<int>(ConstVarType<float>(2.75f), 0), 2);
	EXPECT_EQ(ReadAs<int>(ConstVarType<float>(-2.75f), 0), -2);
	EXPECT_EQ(ReadAs<unsigned char>(ConstVarType<int>(-3), 0), 253);
	EXPECT_EQ(ReadAs<int>(ConstVarType<double>(1e20), 0), INT_MAX);
	EXPECT_EQ(ReadAs<short>(ConstVarType<double>(-1e20), 0), SHRT_MIN);
	EXPECT_EQ(ReadAs<int>(ConstVarType<double>(std::nan("")), 5), 0);
	EXPECT_EQ(ReadAs<bool>(ConstVarType<int>(2), false), true);
	EXPECT_EQ(ReadAs<float>(ConstVarType<bool>(true), 0.0f), 1.0f);
	EXPECT_EQ(ReadAs<double>(ConstVarType<unsigned>(4000000000u), 0.0), 4000000000.0);
	EXPECT_TRUE(std::isinf(ReadAs<float>(ConstVarType<double>(1e300), 0.0f)));
}

TEST(Variable, MismatchedTypesLeaveTheDestinationAndReport)
{
	OperVarType<int> integer(5);
	bool equal = true;
	const std::string report = StderrOf([&] {
		EXPECT_EQ(ReadAs<int>(ConstVarType<std::string>("7"), 42), 42);
		EXPECT_EQ(ReadAs<std::string>(ConstVarType<float>(1.0f), "kept"), "kept");
		EXPECT_EQ(ReadAs<long>(ConstVarType<int*>(nullptr), 9L), 9L);
		EXPECT_EQ(ReadAs<float>(ConstVarType<VariableRecord>({1.0f, 2}), 3.0f), 3.0f);
		integer.AddAssign(OperVarType<std::string>("x")).Assign(OperVarType<std::string>("y"));
		equal = integer.Equal(OperVarType<std::string>("5"));
	});
	EXPECT_NE(report.find("std::string cannot be read as int"), std::string::npos) << report;
	EXPECT_NE(report.find("float cannot be read as std::string"), std::string::npos) << report;
	EXPECT_EQ(integer.GetValue<int>(), 5);
	EXPECT_FALSE(equal);
	EXPECT_EQ(ConstVarType<VariableRecord>({1.5f, 2}).GetValue<VariableRecord>().id, 2) << "a value of its own type comes back whole";
}

TEST(Variable, IntegerArithmeticWrapsAndTruncates)
{
	using Op = tw::ArithmeticOperation;
	EXPECT_EQ(tw::Calculate(Op::Divide, -7, 2), -3);
	EXPECT_EQ(tw::Calculate(Op::Add, INT_MAX, 1), INT_MIN);
	EXPECT_EQ(tw::Calculate(Op::Multiply, INT_MAX, 2), -2);
	EXPECT_EQ(tw::Calculate(Op::Divide, INT_MIN, -1), INT_MIN);
	EXPECT_EQ(tw::Calculate(Op::Subtract, 0u, 1u), UINT_MAX);
	EXPECT_EQ(tw::Calculate<unsigned short>(Op::Multiply, 65535, 65535), 1);
	EXPECT_EQ(tw::Calculate<char>(Op::Divide, -128, -1), -128);
	EXPECT_EQ(tw::Calculate<unsigned char>(Op::Add, 255, 1), 0);
}

TEST(Variable, GetterCopiesReadLiveStateAndClonesTakeASnapshot)
{
	VariableGauge gauge;
	const OperGetterType<VariableGauge, float> live(&VariableGauge::Reading, &gauge);
	std::unique_ptr<OperatorVariable> copy(live.CloneInto(nullptr));
	std::unique_ptr<OperatorVariable> snapshot = live.Clone();
	gauge.level = 0.5f;
	EXPECT_EQ(copy->GetValue<float>(), 0.5f);
	EXPECT_EQ(snapshot->GetValue<float>(), 0.0f);
	EXPECT_EQ(copy->GetTypeId(), tw::TypeIdOf<float>());
	EXPECT_TRUE(snapshot->IsWritable());
	copy->AddAssign(OperVarType<float>(1.0f));
	EXPECT_FALSE(copy->SetValue(2.0f));
	EXPECT_EQ(gauge.level, 0.5f) << "a getter writes nothing back";
	const OperGetterType<VariableGauge, float> unbound(nullptr, &gauge);
	EXPECT_EQ(unbound.ToString(), "Unreadable");
	EXPECT_FALSE(unbound.IsValid());
	EXPECT_FALSE(unbound.ToBool());
}
