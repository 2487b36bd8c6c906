#include "Systems/Input/ButtonTable.h"

#include "Systems/Input/Key.h"
#include "Systems/Input/MouseButton.h"
#include "Systems/Input/MouseMove.h"
#include "Systems/Input/TextCase.h"
#include "Utilities/Config.h"

#include <type_traits>

namespace
{
	constexpr float kDefaultMotionScale = 1.0f;

	enum class ButtonKind
	{
		Key,
		MouseButton,
		Mouse,
		Unknown,
	};

	ButtonKind KindFromType(const std::string& type)
	{
		const std::string upper = ToUpperCase(type);
		if (upper == "KEY")
			return ButtonKind::Key;
		if (upper == "MOUSEBUTTON")
			return ButtonKind::MouseButton;
		if (upper == "MOUSE")
			return ButtonKind::Mouse;
		return ButtonKind::Unknown;
	}

	// Builds a button of the kind from its text parameter or its settings element.
	template<typename Source>
	std::unique_ptr<Button> MakeButton(ButtonKind kind, ButtonContext& context, const Source& source)
	{
		switch (kind)
		{
		case ButtonKind::Key:
			return std::make_unique<Key>(context, source);
		case ButtonKind::MouseButton:
			return std::make_unique<MouseButton>(context, source);
		case ButtonKind::Mouse:
			if constexpr (std::is_same_v<Source, Config>)
				return std::make_unique<MouseMove>(context, source);
			else
				return std::make_unique<MouseMove>(context, source, kDefaultMotionScale, false);
		case ButtonKind::Unknown:
			break;
		}
		return nullptr;
	}
}

bool ButtonTable::AddButton(const std::string& type, const std::string& name, const std::string& parameter)
{
	return Append(name, MakeButton(KindFromType(type), context, parameter));
}

bool ButtonTable::AddButtonFromConfig(const Config& element, const std::string& defaultName)
{
	return Append(element.GetString("Name", defaultName), MakeButton(KindFromType(element.GetString("Type", "")), context, element));
}

bool ButtonTable::Append(const std::string& name, std::unique_ptr<Button> button)
{
	if (!button)
		return false;
	names[ToUpperCase(name)].push_back(std::move(button));
	return true;
}

void ButtonTable::PollAll()
{
	for (auto& [name, buttons] : names)
		for (const std::unique_ptr<Button>& button : buttons)
			button->Poll();
}

const ButtonTable::ButtonList* ButtonTable::Find(const std::string& name) const
{
	const auto found = names.find(name);
	return found == names.end() ? nullptr : &found->second;
}
