#include "Systems/Input/Key.h"

#include "Systems/Input/KeyNames.h"
#include "Systems/Input/TextCase.h"
#include "Utilities/Config.h"

#include <iostream>

Key::Key(ButtonContext& context, const std::string& keyName)
	: Button(context), name(ToLowerCase(keyName)), symbol(KeySymbolFromName(name))
{
	if (!symbol)
		std::cerr << "Input: no key is named \"" << keyName << "\"; that button is never down\n";
}

Key::Key(ButtonContext& context, const Config& element)
	: Key(context, element.GetString("Key", ""))
{
}

bool Key::SampleIsDown()
{
	return symbol && (context.device.IsKeyDown(*symbol) || context.pressedKeys.Has(*symbol));
}
