#include "Systems/Input/Key.h"

#include "Systems/Input/KeyNames.h"
#include "Systems/Input/TextCase.h"
#include "Utilities/Config.h"

Key::Key(ButtonContext& context, const std::string& keyName)
	: Button(context), name(ToLowerCase(keyName)), symbol(KeySymbolFromName(name))
{
}

Key::Key(ButtonContext& context, const Config& element)
	: Key(context, element.GetString("Key", ""))
{
}

bool Key::SampleIsDown()
{
	return symbol && context.device.IsKeyDown(*symbol);
}
