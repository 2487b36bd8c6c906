#include "Systems/Particle/ParticleManager.h"

void ParticleManager::LoadConfig(Config&)
{
}
