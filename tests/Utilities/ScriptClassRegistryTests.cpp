#include "Utilities/ScriptClassRegistry.h"

#include <gtest/gtest.h>

TEST(ScriptClassRegistry, RegistrationRecordsTheDescription)
{
	ScriptClassRegistry& registry = ScriptClassRegistry::Instance();
	const std::size_t before = registry.Classes().size();
	registry.Register("RegistryTestPair", 2).AddFunction("Swap", 0).AddFunction("Set", 2).AddProperty("first").AddReadOnlyProperty("sum");

	ASSERT_EQ(registry.Classes().size(), before + 1);
	const ScriptClass* pair = registry.Find("RegistryTestPair");
	ASSERT_EQ(pair, &registry.Classes().back());
	EXPECT_EQ(pair->GetConstructorArgumentCount(), 2u);
	ASSERT_EQ(pair->GetFunctions().size(), 2u);
	EXPECT_EQ(pair->GetFunctions()[1].name, "Set");
	EXPECT_EQ(pair->GetFunctions()[1].argumentCount, 2u);
	ASSERT_EQ(pair->GetProperties().size(), 2u);
	EXPECT_TRUE(pair->GetProperties()[0].writable);
	EXPECT_FALSE(pair->GetProperties()[1].writable);
	EXPECT_EQ(registry.Find("NeverRegistered"), nullptr);
}

TEST(ScriptClassRegistry, RegisteringANameAgainReplacesItInPlace)
{
	ScriptClassRegistry& registry = ScriptClassRegistry::Instance();
	const ScriptClass* first = &registry.Register("RegistryTestTwice", 0).AddFunction("Old", 1);
	registry.Register("RegistryTestOther", 0);
	const std::size_t count = registry.Classes().size();

	const ScriptClass* second = &registry.Register("RegistryTestTwice", 3).AddFunction("New", 0);
	EXPECT_EQ(second, first);
	EXPECT_EQ(registry.Classes().size(), count);
	EXPECT_EQ(second->GetConstructorArgumentCount(), 3u);
	ASSERT_EQ(second->GetFunctions().size(), 1u);
	EXPECT_EQ(second->GetFunctions()[0].name, "New");
}
