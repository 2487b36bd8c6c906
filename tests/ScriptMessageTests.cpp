#include "ScriptValues.h"
#include "Utilities/ScriptPage.h"

#include <gtest/gtest.h>

namespace
{
	// describe(message): "name:" then each argument as type=value, oldest first.
	void Describe(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		const Message* message = JSObject<Message>::Native(info[0]);
		if (message == nullptr)
			return;
		std::string text = std::string(message->GetName()) + ":";
		for (Message::Reader reader(*message); reader.HasMore(); reader.current = reader.current->newer)
			text += " " + reader.current->value->ValueTypeName() + "=" + reader.current->value->ToString();
		info.GetReturnValue().Set(ScriptValue<std::string>::To(info.GetIsolate(), text));
	}

	class ScriptMessage : public test::ScriptPageTest
	{
	protected:
		void SetUp() override
		{
			ScriptPageTest::SetUp();
			HTMLEngine::RegisterV8Globals(&describe, nullptr);
		}

		JSFuncDesc describe{"describe", Describe, 1};
	};

	TEST_F(ScriptMessage, PushesConvertTheirArgumentAndChainOnOneMessage)
	{
		const struct
		{
			const char* pushes;
			const char* expected;
		} rows[] = {
			{"PushInt('7')", "M: int=0"},
			{"PushShort(65537)", "M: short=1"},
			{"PushU16(-1)", "M: unsigned short=65535"},
			{"PushU32(-1)", "M: unsigned int=4294967295"},
			{"PushBool('')", "M: bool=0"},
			{"PushFloat(0.5).PushDouble('x').PushString(12)", "M: float=0.5 double=0 std::string=12"},
		};
		for (const auto& row : rows)
			EXPECT_EQ(Eval(std::string("describe(new Message('M').") + row.pushes + ")"), row.expected) << row.pushes;
		EXPECT_EQ(Eval("(function () { var m = new Message('M'); return m.PushInt(1) === m; })()"), "true");
	}

	TEST_F(ScriptMessage, ALongNameKeepsItsFirst31Characters)
	{
		EXPECT_EQ(Eval("new Message('0123456789012345678901234567890123456789').id"), "0123456789012345678901234567890");
	}

	TEST_F(ScriptMessage, AMessageBuiltWithoutANameIgnoresPushes)
	{
		EXPECT_EQ(Eval("(function () { var m = new Message(); return m.PushInt(3) + ' ' + m.id; })()"), "undefined undefined");
	}

	TEST_F(ScriptMessage, APushThatDoesNotFitIsRefusedAndTheReceiverComesBack)
	{
		::testing::internal::CaptureStderr();
		const std::string result = Eval("(function () { var m = new Message('Full'), r = m;"
			" for (var i = 0; i < 40; ++i) r = r.PushString('s' + i); return (r === m) + ' ' + describe(m).split(' ').length; })()");
		::testing::internal::GetCapturedStderr();
		const std::string count = result.substr(result.find(' ') + 1);
		EXPECT_EQ(result.substr(0, 4), "true");
		EXPECT_LT(std::stoi(count), 41);
		EXPECT_GT(std::stoi(count), 1);
	}
}
