// The Input system's buttons by name. A name (always upper case) may hold several buttons,
// such as two keys that both move forward; the bindings read a name's buttons together
// through its button variables. The table owns the buttons.
#pragma once

#include "Systems/Input/Button.h"
#include "Utilities/HashMap.h"

#include <memory>
#include <string>
#include <vector>

class Config;

class ButtonTable
{
public:
	using ButtonList = std::vector<std::unique_ptr<Button>>;
	using Names = tw::hash_map<std::string, ButtonList>;

	explicit ButtonTable(ButtonContext& context) : context(context) {}

	// Type "Key", "MouseButton" or "Mouse" in any case, with the key name, the button name or
	// the axis as parameter. False, adding nothing, for any other type.
	bool AddButton(const std::string& type, const std::string& name, const std::string& parameter);
	// The same from a "Button" element: "Type", "Name" (default: the given name) and the keys
	// of the button's kind.
	bool AddButtonFromConfig(const Config& element, const std::string& defaultName);

	// Polls every button: names in table order, each name's buttons in the order added.
	void PollAll();
	void Clear() { names.clear(); }

	const Names& AllNames() const { return names; }
	// The buttons of a name, or null.
	const ButtonList* Find(const std::string& name) const;

private:
	// Files the button under the name in upper case; false, adding nothing, for a null button.
	bool Append(const std::string& name, std::unique_ptr<Button> button);

	ButtonContext& context;
	Names names;
};
