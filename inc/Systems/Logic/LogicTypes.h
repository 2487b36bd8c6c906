// The ordered tables of the Logic system, kept in this one place: the order in which it registers
// its component types with the factory, the fixed order in which its update pass calls an object's
// components (its own list, not the registration order; the types missing from it act only through
// their message handlers), and the order in which it registers the behaviour-node types. A new
// gameplay type or node joins these tables at its fixed place.
#pragma once

#include <span>
#include <string>

struct LogicComponentType
{
	unsigned (*typeId)();
	void (*registerType)();
};

struct LogicBehaviorType
{
	const char* name;
	void (*registerAs)(const std::string& typeName);
};

// Every component type the Logic system owns, in registration order.
std::span<const LogicComponentType> LogicRegistrationOrder();
// The type ids of the updated types, in update order.
std::span<unsigned (*const)()> LogicUpdateOrder();
// Every behaviour-node type under its stored name, in registry order.
std::span<const LogicBehaviorType> LogicBehaviorOrder();
// Registers every behaviour-node type under its stored name, in registry order.
void RegisterLogicBehaviors();
