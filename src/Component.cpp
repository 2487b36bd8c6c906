#include "Component.h"

#include "Utilities/JavaScript.h"

Component::~Component()
{
	// A page may keep a component's wrapper longer than the component lives.
	JavaScript::ForgetNative(this);
}
