// Must not compile: a behaviour node type that needs 16-byte alignment, which the node blocks do
// not give, registered as every node type is. The test that builds this file passes only when the
// registry's check is what stops it.
#include "Systems/Logic/BehaviorRegistry.h"

namespace
{
	class alignas(16) WideNode final : public BehaviorNode
	{
	public:
		void Start() override {}
		void Update() override {}
	};
}

void RegisterWideNode()
{
	RegisterBehavior<WideNode>("WideNode");
}
