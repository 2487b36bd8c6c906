#include "Systems/Input/KeyNames.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

TEST(KeyName, EveryListedNameResolvesToADistinctSymbolAndNoOtherNameDoes)
{
	std::istringstream names(
		"backspace tab clear return pause esc space exclaim quotedbl hash dollar ampersand quote "
		"leftparen rightparen asterisk plus comma minus period slash 0 1 2 3 4 5 6 7 8 9 colon "
		"semicolon less equals greater question at leftbracket backslash rightbracket caret "
		"underscore backquote a b c d e f g h i j k l m n o p q r s t u v w x y z delete kp0 kp1 "
		"kp2 kp3 kp4 kp5 kp6 kp7 kp8 kp9 kpperiod kpdivide kpmultiply kpminus kpplus kpenter "
		"kpequals up down right left insert home end pageup pagedown f1 f2 f3 f4 f5 f6 f7 f8 f9 "
		"f10 f11 f12 f13 f14 f15 numlock capslock scrollock rshift lshift rctrl lctrl ralt lalt "
		"rmeta lmeta lwin rwin mode help print sysreq break menu euro");
	std::set<unsigned> symbols;
	for (std::string name; names >> name;)
	{
		const auto symbol = KeySymbolFromName(name);
		ASSERT_TRUE(symbol.has_value()) << name;
		EXPECT_TRUE(symbols.insert(*symbol).second) << name;
	}
	EXPECT_EQ(symbols.size(), 132u);
	for (const char* absent : {"escape", "lsuper", "world0", "world_0", "compose", "power", "undo", "W", ""})
		EXPECT_FALSE(KeySymbolFromName(absent).has_value()) << absent;
}
