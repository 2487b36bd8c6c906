// A keyboard key as a button, named in settings by its key name ("w", "space", "esc").
#pragma once

#include "Systems/Input/Button.h"

#include <optional>

class Config;

class Key : public Button
{
public:
	// The name is compared in lower case; a name the key-name table lacks is never down.
	Key(ButtonContext& context, const std::string& keyName);
	// Reads "Key" from a "Button" element of the input settings.
	Key(ButtonContext& context, const Config& element);

	std::string Describe() const override { return name; }

protected:
	bool SampleIsDown() override;
	int32_t DownValue() const override { return kHeldValue; }

private:
	std::string name;
	std::optional<unsigned> symbol;
};
