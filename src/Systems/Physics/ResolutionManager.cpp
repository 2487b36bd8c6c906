#include "Systems/Physics/ResolutionManager.h"

void ResolutionManager::Start()
{
	updateEnabled = true;
	stepOnce = false;
}

void ResolutionManager::PostUpdate()
{
	stepOnce = false;
}

void ResolutionManager::SetSolverIterations(int iterations)
{
	solverIterations = iterations;
}

int ResolutionManager::GetSolverIterations() const
{
	return solverIterations;
}

void ResolutionManager::SetSolverTimeStep(float seconds)
{
	solverTimeStep = seconds;
}

float ResolutionManager::GetSolverTimeStep() const
{
	return solverTimeStep;
}
