#include "Utilities/OperGetterType.h"
#include "Utilities/OperatorVariable.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <sstream>

namespace
{
	struct NeverAskedBefore {};
	struct SecondNewType {};

	struct Record
	{
		float x;
		int id;
	};

	// A value that changes while variables over it are alive, like a button's state.
	struct Gauge
	{
		float Reading() const { return level; }
		float level = 0.0f;
	};

	template<typename T>
	T ReadAs(const Variable& variable, T initial)
	{
		variable.GetValue(initial);
		return initial;
	}
}

TEST(Variable, TypeIdIsTakenOnceFromTheSharedCounter)
{
	const tw::TypeId before = tw::NextTypeId();
	const tw::TypeId id = tw::TypeIdOf<NeverAskedBefore>();
	EXPECT_EQ(id, before + 1);
	EXPECT_EQ(tw::TypeIdOf<NeverAskedBefore>(), id);
	EXPECT_EQ(tw::TypeIdOf<const NeverAskedBefore&>(), id);
	EXPECT_EQ(tw::TypeIdOf<SecondNewType>(), id + 1);
	EXPECT_NE(tw::TypeIdOf<int>(), 0u);
}

TEST(Variable, ConstantAndOperatorBoxesOfOneTypeShareItsId)
{
	EXPECT_EQ(ConstVarType<float>(1.0f).GetTypeId(), OperVarType<float>(1.0f).GetTypeId());
	EXPECT_EQ(ConstVarType<bool>(true).GetTypeId(), OperConstVarType<bool>(true).GetTypeId());
	EXPECT_EQ(OperVarType<bool>(true).GetTypeId(), tw::TypeIdOf<bool>());
	EXPECT_NE(OperVarType<int>(1).GetTypeId(), OperVarType<unsigned>(1).GetTypeId());
	EXPECT_NE(OperVarType<char>(1).GetTypeId(), OperVarType<unsigned char>(1).GetTypeId());
}

TEST(Variable, TextOfValues)
{
	EXPECT_EQ(ConstVarType<bool>(true).ToString(), "1");
	EXPECT_EQ(OperConstVarType<bool>(false).ToString(), "0");
	EXPECT_EQ(OperVarType<int>(-5).ToString(), "-5");
	EXPECT_EQ(OperVarType<float>(1.5f).ToString(), "1.5");
	EXPECT_EQ(OperVarType<double>(1.0 / 3.0).ToString(), "0.333333");
	EXPECT_EQ(OperVarType<char>(7).ToString(), "7");
	EXPECT_EQ(OperVarType<unsigned char>(200).ToString(), "200");
	EXPECT_EQ(ConstVarType<std::string>("a b").ToString(), "a b");
	unsigned char bytes[] = "xyz";
	EXPECT_EQ(ConstVarType<unsigned char*>(bytes).ToString().substr(0, 2), "0x");
}

TEST(Variable, CloneIntoStorageOrHeapKeepsTypeAndValue)
{
	const ConstVarType<std::string> original("a string too long for the small-string buffer");
	ASSERT_LE(original.Alignment(), alignof(std::max_align_t));
	alignas(std::max_align_t) unsigned char storage[sizeof(ConstVarType<std::string>)];
	ASSERT_EQ(original.Size(), sizeof storage);

	Variable* inPlace = original.CloneInto(storage);
	EXPECT_EQ(static_cast<void*>(inPlace), static_cast<void*>(storage));
	EXPECT_EQ(inPlace->GetTypeId(), original.GetTypeId());
	EXPECT_EQ(inPlace->GetValue<std::string>(), original.GetValue<std::string>());
	inPlace->~Variable();

	std::unique_ptr<Variable> onHeap(OperVarType<short>(-7).CloneInto(nullptr));
	EXPECT_EQ(onHeap->GetValue<short>(), -7);
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

TEST(Variable, MismatchedReadLeavesTheDestinationAndReports)
{
	testing::internal::CaptureStderr();
	EXPECT_EQ(ReadAs<int>(ConstVarType<std::string>("7"), 42), 42);
	EXPECT_EQ(ReadAs<std::string>(ConstVarType<float>(1.0f), "kept"), "kept");
	EXPECT_EQ(ReadAs<long>(ConstVarType<int*>(nullptr), 9L), 9L);
	EXPECT_EQ(ReadAs<float>(ConstVarType<Record>({ 1.0f, 2 }), 3.0f), 3.0f);
	const std::string report = testing::internal::GetCapturedStderr();
	EXPECT_NE(report.find("std::string cannot be read as int"), std::string::npos) << report;
	EXPECT_NE(report.find("float cannot be read as std::string"), std::string::npos) << report;

	EXPECT_EQ(ConstVarType<Record>({ 1.5f, 2 }).GetValue<Record>().id, 2);
	int target = 0;
	EXPECT_EQ(ConstVarType<int*>(&target).GetValue<int*>(), &target);
}

TEST(Variable, IntegerArithmeticWrapsAndTruncates)
{
	using Op = tw::ArithmeticOperation;
	EXPECT_EQ(tw::Calculate(Op::Divide, 7, 2), 3);
	EXPECT_EQ(tw::Calculate(Op::Divide, -7, 2), -3);
	EXPECT_EQ(tw::Calculate(Op::Subtract, 3, 5), -2);
	EXPECT_EQ(tw::Calculate(Op::Add, INT_MAX, 1), INT_MIN);
	EXPECT_EQ(tw::Calculate(Op::Multiply, INT_MAX, 2), -2);
	EXPECT_EQ(tw::Calculate(Op::Divide, INT_MIN, -1), INT_MIN);
	EXPECT_EQ(tw::Calculate(Op::Subtract, 0u, 1u), UINT_MAX);
	EXPECT_EQ(tw::Calculate<unsigned short>(Op::Multiply, 65535, 65535), 1);
	EXPECT_EQ(tw::Calculate<char>(Op::Divide, -128, -1), -128);
	EXPECT_EQ(tw::Calculate<unsigned char>(Op::Add, 255, 1), 0);
}

TEST(Variable, IntegerDivisionByZeroGivesZeroAndAReport)
{
	testing::internal::CaptureStderr();
	OperVarType<int> integer(9);
	integer.DivideAssign(OperVarType<int>(0));
	OperVarType<unsigned char> small(9);
	small.DivideAssign(OperVarType<int>(0));
	const std::string report = testing::internal::GetCapturedStderr();
	EXPECT_EQ(integer.GetValue<int>(), 0);
	EXPECT_EQ(small.GetValue<unsigned char>(), 0);
	EXPECT_NE(report.find("division by zero"), std::string::npos);

	OperVarType<float> real(1.0f);
	real.DivideAssign(OperVarType<int>(0));
	EXPECT_TRUE(std::isinf(real.GetValue<float>()));
}

TEST(Variable, RightOperandIsReadAsTheLeftType)
{
	OperVarType<int> integer(1);
	integer.AddAssign(OperVarType<float>(2.7f));
	EXPECT_EQ(integer.GetValue<int>(), 3);

	OperVarType<float> real(1.5f);
	real.AddAssign(OperVarType<int>(2));
	EXPECT_FLOAT_EQ(real.GetValue<float>(), 3.5f);
	EXPECT_EQ(real.GetTypeId(), tw::TypeIdOf<float>());

	EXPECT_TRUE(OperVarType<int>(1).Equal(OperVarType<float>(1.9f)));
	EXPECT_FALSE(OperVarType<float>(1.0f).Equal(OperVarType<float>(1.9f)));
}

TEST(Variable, MismatchedOperandChangesNothing)
{
	testing::internal::CaptureStderr();
	OperVarType<int> integer(5);
	integer.AddAssign(OperVarType<std::string>("x")).Assign(OperVarType<std::string>("y"));
	const bool equal = integer.Equal(OperVarType<std::string>("5"));
	const std::string report = testing::internal::GetCapturedStderr();
	EXPECT_EQ(integer.GetValue<int>(), 5);
	EXPECT_FALSE(equal);
	EXPECT_FALSE(report.empty());
}

TEST(Variable, ComparisonsFollowTheValueType)
{
	const OperVarType<int> minusOne(-1);
	EXPECT_TRUE(minusOne.Less(OperVarType<int>(1)));
	EXPECT_TRUE(minusOne.LessOrEqual(OperVarType<int>(-1)));
	EXPECT_TRUE(OperVarType<unsigned>(UINT_MAX).Greater(OperVarType<unsigned>(1)));
	EXPECT_TRUE(OperVarType<double>(2.5).GreaterOrEqual(OperVarType<double>(2.5)));
	EXPECT_FALSE(OperVarType<double>(std::nan("")).Equal(OperVarType<double>(std::nan(""))));
	EXPECT_TRUE(OperVarType<std::string>("abc").Less(OperVarType<std::string>("abd")));
	EXPECT_TRUE(OperVarType<bool>(false).Less(OperVarType<bool>(true)));
	EXPECT_TRUE(OperConstVarType<bool>(true).Greater(OperConstVarType<bool>(false)));
}

TEST(Variable, BoolsAndConstantsIgnoreAssignment)
{
	OperVarType<bool> flag(false);
	flag.Assign(OperVarType<bool>(true)).AddAssign(OperVarType<bool>(true));
	EXPECT_FALSE(flag.GetValue<bool>());
	EXPECT_TRUE(flag.SetValue(true));
	EXPECT_TRUE(flag.GetValue<bool>());

	OperConstVarType<bool> constant(false);
	constant.Assign(OperVarType<bool>(true));
	EXPECT_FALSE(constant.SetValue(true));
	EXPECT_FALSE(constant.IsWritable());
	EXPECT_FALSE(constant.GetValue<bool>());

	ConstVarType<int> readOnly(5);
	EXPECT_FALSE(readOnly.SetValue(9));
	EXPECT_EQ(readOnly.GetValue<int>(), 5);
}

TEST(Variable, StringPlusAndAssignReplaceTheValue)
{
	OperVarType<std::string> text("ab");
	text.AddAssign(OperVarType<std::string>("cd"));
	EXPECT_EQ(text.GetValue<std::string>(), "cd");
	text.SubtractAssign(OperVarType<std::string>("x")).MultiplyAssign(OperVarType<std::string>("y"));
	EXPECT_EQ(text.GetValue<std::string>(), "cd");
	text.Assign(OperVarType<std::string>("ef"));
	EXPECT_EQ(text.GetValue<std::string>(), "ef");
}

TEST(Variable, OperatorVariablesReadFromAStream)
{
	std::istringstream input("42 65 two words 1.25");
	OperVarType<int> integer;
	OperVarType<char> small;
	OperVarType<std::string> word;
	OperVarType<std::string> secondWord;
	OperVarType<float> real;
	integer.Read(input);
	small.Read(input);
	word.Read(input);
	secondWord.Read(input);
	real.Read(input);
	EXPECT_EQ(integer.GetValue<int>(), 42);
	EXPECT_EQ(small.GetValue<char>(), 65);
	EXPECT_EQ(word.GetValue<std::string>(), "two");
	EXPECT_EQ(secondWord.GetValue<std::string>(), "words");
	EXPECT_FLOAT_EQ(real.GetValue<float>(), 1.25f);
	EXPECT_TRUE(integer.SetValue(7.9));
	EXPECT_EQ(integer.GetValue<int>(), 7);
}

TEST(Variable, GetterCopiesReadLiveStateAndClonesTakeASnapshot)
{
	Gauge gauge;
	const OperGetterType<Gauge, float> live(&Gauge::Reading, &gauge);
	std::unique_ptr<OperatorVariable> copy(live.CloneInto(nullptr));
	std::unique_ptr<OperatorVariable> snapshot = live.Clone();

	gauge.level = 0.5f;
	EXPECT_EQ(live.GetValue<float>(), 0.5f);
	EXPECT_EQ(copy->GetValue<float>(), 0.5f);
	EXPECT_EQ(snapshot->GetValue<float>(), 0.0f);
	EXPECT_TRUE(copy->ToBool());
	EXPECT_TRUE(copy->Greater(OperVarType<float>(0.25f)));
	EXPECT_EQ(copy->GetTypeId(), tw::TypeIdOf<float>());
	EXPECT_TRUE(snapshot->IsWritable());

	copy->AddAssign(OperVarType<float>(1.0f));
	EXPECT_EQ(gauge.level, 0.5f);
	EXPECT_FALSE(copy->SetValue(2.0f));

	const OperGetterType<Gauge, float> unbound(nullptr, &gauge);
	EXPECT_EQ(unbound.ToString(), "Unreadable");
	EXPECT_FALSE(unbound.IsValid());
	EXPECT_FALSE(unbound.ToBool());
}
