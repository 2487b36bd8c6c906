#include "Systems/Input/KeyNames.h"

#include "Utilities/HashMap.h"

#include <SDL/SDL.h>

#include <array>

namespace
{
	struct KeyNameEntry
	{
		const char* name;
		SDLKey symbol;
	};

	// Each SDL 1.2 key symbol from backspace to euro, named after its enumerator without the
	// prefix and underscores; the international "world" keys, compose and power have no name.
	constexpr std::array<KeyNameEntry, 132> kKeyNames{{
		{"backspace", SDLK_BACKSPACE},
		{"tab", SDLK_TAB},
		{"clear", SDLK_CLEAR},
		{"return", SDLK_RETURN},
		{"pause", SDLK_PAUSE},
		{"esc", SDLK_ESCAPE},
		{"space", SDLK_SPACE},
		{"exclaim", SDLK_EXCLAIM},
		{"quotedbl", SDLK_QUOTEDBL},
		{"hash", SDLK_HASH},
		{"dollar", SDLK_DOLLAR},
		{"ampersand", SDLK_AMPERSAND},
		{"quote", SDLK_QUOTE},
		{"leftparen", SDLK_LEFTPAREN},
		{"rightparen", SDLK_RIGHTPAREN},
		{"asterisk", SDLK_ASTERISK},
		{"plus", SDLK_PLUS},
		{"comma", SDLK_COMMA},
		{"minus", SDLK_MINUS},
		{"period", SDLK_PERIOD},
		{"slash", SDLK_SLASH},
		{"0", SDLK_0},
		{"1", SDLK_1},
		{"2", SDLK_2},
		{"3", SDLK_3},
		{"4", SDLK_4},
		{"5", SDLK_5},
		{"6", SDLK_6},
		{"7", SDLK_7},
		{"8", SDLK_8},
		{"9", SDLK_9},
		{"colon", SDLK_COLON},
		{"semicolon", SDLK_SEMICOLON},
		{"less", SDLK_LESS},
		{"equals", SDLK_EQUALS},
		{"greater", SDLK_GREATER},
		{"question", SDLK_QUESTION},
		{"at", SDLK_AT},
		{"leftbracket", SDLK_LEFTBRACKET},
		{"backslash", SDLK_BACKSLASH},
		{"rightbracket", SDLK_RIGHTBRACKET},
		{"caret", SDLK_CARET},
		{"underscore", SDLK_UNDERSCORE},
		{"backquote", SDLK_BACKQUOTE},
		{"a", SDLK_a},
		{"b", SDLK_b},
		{"c", SDLK_c},
		{"d", SDLK_d},
		{"e", SDLK_e},
		{"f", SDLK_f},
		{"g", SDLK_g},
		{"h", SDLK_h},
		{"i", SDLK_i},
		{"j", SDLK_j},
		{"k", SDLK_k},
		{"l", SDLK_l},
		{"m", SDLK_m},
		{"n", SDLK_n},
		{"o", SDLK_o},
		{"p", SDLK_p},
		{"q", SDLK_q},
		{"r", SDLK_r},
		{"s", SDLK_s},
		{"t", SDLK_t},
		{"u", SDLK_u},
		{"v", SDLK_v},
		{"w", SDLK_w},
		{"x", SDLK_x},
		{"y", SDLK_y},
		{"z", SDLK_z},
		{"delete", SDLK_DELETE},
		{"kp0", SDLK_KP0},
		{"kp1", SDLK_KP1},
		{"kp2", SDLK_KP2},
		{"kp3", SDLK_KP3},
		{"kp4", SDLK_KP4},
		{"kp5", SDLK_KP5},
		{"kp6", SDLK_KP6},
		{"kp7", SDLK_KP7},
		{"kp8", SDLK_KP8},
		{"kp9", SDLK_KP9},
		{"kpperiod", SDLK_KP_PERIOD},
		{"kpdivide", SDLK_KP_DIVIDE},
		{"kpmultiply", SDLK_KP_MULTIPLY},
		{"kpminus", SDLK_KP_MINUS},
		{"kpplus", SDLK_KP_PLUS},
		{"kpenter", SDLK_KP_ENTER},
		{"kpequals", SDLK_KP_EQUALS},
		{"up", SDLK_UP},
		{"down", SDLK_DOWN},
		{"right", SDLK_RIGHT},
		{"left", SDLK_LEFT},
		{"insert", SDLK_INSERT},
		{"home", SDLK_HOME},
		{"end", SDLK_END},
		{"pageup", SDLK_PAGEUP},
		{"pagedown", SDLK_PAGEDOWN},
		{"f1", SDLK_F1},
		{"f2", SDLK_F2},
		{"f3", SDLK_F3},
		{"f4", SDLK_F4},
		{"f5", SDLK_F5},
		{"f6", SDLK_F6},
		{"f7", SDLK_F7},
		{"f8", SDLK_F8},
		{"f9", SDLK_F9},
		{"f10", SDLK_F10},
		{"f11", SDLK_F11},
		{"f12", SDLK_F12},
		{"f13", SDLK_F13},
		{"f14", SDLK_F14},
		{"f15", SDLK_F15},
		{"numlock", SDLK_NUMLOCK},
		{"capslock", SDLK_CAPSLOCK},
		{"scrollock", SDLK_SCROLLOCK},
		{"rshift", SDLK_RSHIFT},
		{"lshift", SDLK_LSHIFT},
		{"rctrl", SDLK_RCTRL},
		{"lctrl", SDLK_LCTRL},
		{"ralt", SDLK_RALT},
		{"lalt", SDLK_LALT},
		{"rmeta", SDLK_RMETA},
		{"lmeta", SDLK_LMETA},
		{"lwin", SDLK_LSUPER},
		{"rwin", SDLK_RSUPER},
		{"mode", SDLK_MODE},
		{"help", SDLK_HELP},
		{"print", SDLK_PRINT},
		{"sysreq", SDLK_SYSREQ},
		{"break", SDLK_BREAK},
		{"menu", SDLK_MENU},
		{"euro", SDLK_EURO},
	}};

	const tw::hash_map<std::string, unsigned>& KeyNameTable()
	{
		static const tw::hash_map<std::string, unsigned> table = []
		{
			tw::hash_map<std::string, unsigned> built;
			for (const KeyNameEntry& entry : kKeyNames)
				built.insert({entry.name, static_cast<unsigned>(entry.symbol)});
			return built;
		}();
		return table;
	}
}

std::optional<unsigned> KeySymbolFromName(const std::string& lowerCaseName)
{
	const auto& table = KeyNameTable();
	const auto found = table.find(lowerCaseName);
	if (found == table.end())
		return std::nullopt;
	return found->second;
}
