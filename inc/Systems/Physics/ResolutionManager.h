// ResolutionManager: the third stage of the physics step, which applies gravity and forces, solves
// the constraints and integrates the bodies. It holds the pause flags of the whole step: while
// updateEnabled is false and stepOnce is false its Update does nothing.
#pragma once

#include "Systems/Physics/PhysicsSubsystem.h"

class ResolutionManager : public PhysicsSubsystem
{
public:
	void Start() override;
	// A "FrameStep" lasts one frame.
	void PostUpdate() override;

	// What the solver runs with: iterations per step and the step's length in seconds.
	void SetSolverIterations(int iterations);
	int GetSolverIterations() const;
	void SetSolverTimeStep(float seconds);
	float GetSolverTimeStep() const;

	bool updateEnabled = true;
	bool stepOnce = false;

private:
	int solverIterations = 10;
	float solverTimeStep = 0.016f;
};
