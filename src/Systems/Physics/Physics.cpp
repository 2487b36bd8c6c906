#include "Systems/Physics/Physics.h"

void Physics::LoadConfig(Config&)
{
}
