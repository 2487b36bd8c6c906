// QuietComponent: the base of components whose operations succeed and do nothing (markers such as
// DebugPrim, whose presence alone tells the renderer something); a class overrides the few it needs.
#pragma once

#include "Component.h"

template <class Derived, class NameTag, class Base = Component>
class QuietComponent : public ComponentBase<Derived, NameTag, Base>
{
public:
	bool Load(Serializer&) override { return true; }
	bool Serialize(Serializer&) override { return true; }
	bool Start() override { return true; }
	bool Update() override { return true; }
	void Detach() override {}
};
