// QuietComponent: a base for test components that only need a name and a type, whose
// operations all succeed and do nothing.
#pragma once

#include "Component.h"

namespace test
{
	template <class Derived, class NameTag>
	class QuietComponent : public ComponentBase<Derived, NameTag>
	{
	public:
		bool Load(Serializer&) override { return true; }
		bool Serialize(Serializer&) override { return true; }
		bool Start() override { return true; }
		bool Update() override { return true; }
		void Detach() override {}
	};
}
