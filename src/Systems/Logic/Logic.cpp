#include "Systems/Logic/Logic.h"

void Logic::LoadConfig(Config&)
{
}
