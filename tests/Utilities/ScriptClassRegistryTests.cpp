#include "Utilities/ScriptClassRegistry.h"

#include <gtest/gtest.h>

TEST(ScriptClassRegistry, RegistrationRecordsTheDescriptionAndANameAgainReplacesItInPlace)
{
	ScriptClassRegistry& registry = ScriptClassRegistry::Instance();
	const std::size_t before = registry.Classes().size();
	registry.Register("RegistryTestPair", 2).AddFunction("Swap", 0).AddFunction("Set", 2).AddProperty("first").AddReadOnlyProperty("sum");
	ASSERT_EQ(registry.Classes().size(), before + 1);
	const ScriptClass* pair = registry.Find("RegistryTestPair");
	ASSERT_EQ(pair, &registry.Classes().back());
	EXPECT_EQ(pair->GetConstructorArgumentCount(), 2u);
	ASSERT_EQ(pair->GetFunctions().size(), 2u);
	EXPECT_TRUE(pair->GetFunctions()[1].name == "Set" && pair->GetFunctions()[1].argumentCount == 2u);
	ASSERT_EQ(pair->GetProperties().size(), 2u);
	EXPECT_TRUE(pair->GetProperties()[0].writable && !pair->GetProperties()[1].writable);
	EXPECT_EQ(registry.Find("NeverRegistered"), nullptr);

	registry.Register("RegistryTestOther", 0);
	const ScriptClass* again = &registry.Register("RegistryTestPair", 3).AddFunction("New", 0);
	EXPECT_EQ(again, pair);
	EXPECT_EQ(registry.Classes().size(), before + 2);
	EXPECT_EQ(again->GetConstructorArgumentCount(), 3u);
	ASSERT_EQ(again->GetFunctions().size(), 1u);
	EXPECT_EQ(again->GetFunctions()[0].name, "New");
}
