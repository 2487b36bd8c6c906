#include "Systems/Physics/ConstraintSolver.h"

#include "Systems/Physics/RigidBody.h"

#include <algorithm>
#include <cmath>

namespace
{
	// A row whose J · M⁻¹ · Jᵀ is this small has no effective mass: its inverse is capped instead
	// of divided out. With a zero Jacobian such a row does nothing.
	constexpr float kSingularDiagonal = 0.00001f;
	constexpr float kSingularInverse = 100000.0f;

	float Dot6(const float* a, const float* b)
	{
		return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3] + a[4] * b[4] + a[5] * b[5];
	}

	void AddScaled6(float* target, const float* source, float scale)
	{
		for (int i = 0; i < 6; ++i)
			target[i] += source[i] * scale;
	}

	// A row bounded to zero on both sides can carry no impulse (a twist row where several points
	// already hold the turn): it is left out of the solve and keeps no multiplier.
	bool IsInert(const Constraint& row)
	{
		return row.lowerBound == 0.0f && row.upperBound == 0.0f;
	}
}

ConstraintSolver::Side ConstraintSolver::Spread(const float* side)
{
	return Side{Lanes{side[0], side[1], side[2], 0.0f}, Lanes{side[3], side[4], side[5], 0.0f}};
}

void ConstraintSolver::Gather(const Side& side, float* six)
{
	for (int axis = 0; axis < 3; ++axis)
	{
		six[axis] = side.linear[axis];
		six[axis + 3] = side.angular[axis];
	}
}

// M⁻¹ · Jᵀ for one side. A body without mass (static, or kinematic under "LOGIC") is inert: the
// row moves it neither along nor about anything, whatever inertia its collider reported.
ConstraintSolver::Side ConstraintSolver::MassJacobian(const PackedBody& body, const Side& jacobian)
{
	if (body.inverseMass == 0.0f)
		return Side{};
	const Lanes* columns = body.inverseInertiaColumns;
	return Side{jacobian.linear * body.inverseMass, columns[0] * jacobian.angular[0] + columns[1] * jacobian.angular[1] +
		columns[2] * jacobian.angular[2]};
}

// One projected Gauss-Seidel update of a multiplier against the bodies' running sums. The four
// lanes of J · sums are summed side by side and added at the end.
inline void ConstraintSolver::Relax(const PackedRow& row, float rhs, float& multiplier, Side& sumA, Side& sumB)
{
	const Lanes products = (row.jacobianA.linear * sumA.linear + row.jacobianA.angular * sumA.angular) +
		(row.jacobianB.linear * sumB.linear + row.jacobianB.angular * sumB.angular);
	const float delta = (rhs - ((products[0] + products[1]) + (products[2] + products[3]))) * row.inverseDiagonal;
	float lambda = multiplier + delta;
	if (row.lowerBound > lambda)
		lambda = row.lowerBound;
	else if (lambda > row.upperBound)
		lambda = row.upperBound;
	const float change = lambda - multiplier;
	multiplier = lambda;
	sumA.linear += row.massJacobianA.linear * change;
	sumA.angular += row.massJacobianA.angular * change;
	sumB.linear += row.massJacobianB.linear * change;
	sumB.angular += row.massJacobianB.angular * change;
}

unsigned ConstraintSolver::Pack(RigidBody& body)
{
	if (body.solverSlot < 0)
	{
		body.solverSlot = static_cast<int>(packedBodies.size());
		PackedBody& packed = packedBodies.emplace_back();
		packed.body = &body;
		packed.inverseMass = body.inverseMass;
		const Matrix4& inertia = body.worldInverseInertia;
		for (int column = 0; column < 3; ++column)
			packed.inverseInertiaColumns[column] = Lanes{inertia.At(0, column), inertia.At(1, column), inertia.At(2, column), 0.0f};
		std::copy(std::begin(body.solverVelocity), std::end(body.solverVelocity), packed.velocity);
		accel.push_back(Spread(body.solverAccel));
		pushAccel.push_back(Side{});
	}
	return static_cast<unsigned>(body.solverSlot);
}

void ConstraintSolver::PackRows(ConstraintList& rows)
{
	const float inverseTimeStep = 1.0f / timeStep;
	for (Constraint& row : rows)
	{
		if (IsInert(row))
		{
			row.lambda = 0.0f;
			continue;
		}
		PackedRow& packed = packedRows.emplace_back();
		packed.bodyA = Pack(*row.bodyA);
		packed.bodyB = Pack(*row.bodyB);
		const PackedBody& a = packedBodies[packed.bodyA];
		const PackedBody& b = packedBodies[packed.bodyB];
		packed.jacobianA = Spread(row.jacobian);
		packed.jacobianB = Spread(row.jacobian + 6);
		packed.massJacobianA = MassJacobian(a, packed.jacobianA);
		packed.massJacobianB = MassJacobian(b, packed.jacobianB);
		Gather(packed.massJacobianA, row.massJacobian);
		Gather(packed.massJacobianB, row.massJacobian + 6);
		Side& accelA = accel[packed.bodyA];
		accelA.linear += packed.massJacobianA.linear * row.lambda;
		accelA.angular += packed.massJacobianA.angular * row.lambda;
		Side& accelB = accel[packed.bodyB];
		accelB.linear += packed.massJacobianB.linear * row.lambda;
		accelB.angular += packed.massJacobianB.angular * row.lambda;
		const float diagonal = Dot6(row.jacobian, row.massJacobian) + Dot6(row.jacobian + 6, row.massJacobian + 6);
		row.inverseDiagonal = std::fabs(diagonal) > kSingularDiagonal ? 1.0f / diagonal : kSingularInverse;
		// A positional row's gap is closed at speed; the correction never pushes into it.
		const float velocityBias = row.positional ? std::min(row.bias, 0.0f) : row.bias;
		row.rhs = velocityBias * inverseTimeStep - (Dot6(row.jacobian, a.velocity) + Dot6(row.jacobian + 6, b.velocity));
		packed.lowerBound = row.lowerBound;
		packed.upperBound = row.upperBound;
		packed.lambda = row.lambda;
		packed.inverseDiagonal = row.inverseDiagonal;
		packed.rhs = row.rhs;
		packed.positionRhs = row.positional ? std::max(row.bias, 0.0f) * inverseTimeStep : 0.0f;
		packed.positionLambda = 0.0f;
		if (row.positional)
			positionalRows.push_back(static_cast<unsigned>(packedRows.size() - 1));
	}
}

// Two runs of rows may be relaxed side by side only if no body that moves belongs to both: then
// no row of one reads a sum that a row of the other writes, and the result is the same as one
// run after the other. A body without mass may belong to both, as its sums never change. A row
// that joins a body to itself is never paired.
bool ConstraintSolver::Apart(const PackedRow& first, const PackedRow& second) const
{
	if (first.bodyA == first.bodyB || second.bodyA == second.bodyB)
		return false;
	for (const unsigned body : {first.bodyA, first.bodyB})
		if ((body == second.bodyA || body == second.bodyB) && packedBodies[body].inverseMass != 0.0f)
			return false;
	return true;
}

template <class RowAt>
void ConstraintSolver::GroupRuns(std::size_t rowCount, RowAt rowAt, std::vector<RunGroup>& groups) const
{
	const auto runEnd = [&rowAt, rowCount](std::size_t start) {
		const PackedRow& lead = rowAt(start);
		std::size_t end = start + 1;
		while (end < rowCount && rowAt(end).bodyA == lead.bodyA && rowAt(end).bodyB == lead.bodyB)
			++end;
		return end;
	};
	groups.clear();
	for (std::size_t start = 0; start < rowCount;)
	{
		std::size_t end = runEnd(start);
		RunGroup group{static_cast<unsigned>(start), static_cast<unsigned>(end - start), static_cast<unsigned>(end), 0};
		if (end < rowCount && Apart(rowAt(start), rowAt(end)))
		{
			const std::size_t secondEnd = runEnd(end);
			group.secondCount = static_cast<unsigned>(secondEnd - end);
			end = secondEnd;
		}
		groups.push_back(group);
		start = end;
	}
}

// Each row waits on the sums the row before it wrote, so a run's sums are held in registers
// rather than stored and loaded back between its rows, and a second run on other bodies is
// interleaved with the first so that the processor works on both waits at once. A run of rows
// joining a body to itself relaxes in place, both of its sides being the one sum.
template <class RowAt>
void ConstraintSolver::RelaxGroups(const std::vector<RunGroup>& groups, RowAt rowAt, float PackedRow::*rhs,
	float PackedRow::*multiplier, std::vector<Side>& sums)
{
	const auto relax = [&](unsigned index, Side& sumA, Side& sumB) {
		PackedRow& row = rowAt(index);
		Relax(row, row.*rhs, row.*multiplier, sumA, sumB);
	};
	for (const RunGroup& group : groups)
	{
		const PackedRow& lead = rowAt(group.first);
		if (lead.bodyA == lead.bodyB)
		{
			for (unsigned k = 0; k < group.count; ++k)
				relax(group.first + k, sums[lead.bodyA], sums[lead.bodyA]);
			continue;
		}
		Side firstA = sums[lead.bodyA];
		Side firstB = sums[lead.bodyB];
		if (group.secondCount == 0)
		{
			for (unsigned k = 0; k < group.count; ++k)
				relax(group.first + k, firstA, firstB);
		}
		else
		{
			const PackedRow& secondLead = rowAt(group.secondFirst);
			Side secondA = sums[secondLead.bodyA];
			Side secondB = sums[secondLead.bodyB];
			const unsigned common = std::min(group.count, group.secondCount);
			for (unsigned k = 0; k < common; ++k)
			{
				relax(group.first + k, firstA, firstB);
				relax(group.secondFirst + k, secondA, secondB);
			}
			for (unsigned k = common; k < group.count; ++k)
				relax(group.first + k, firstA, firstB);
			for (unsigned k = common; k < group.secondCount; ++k)
				relax(group.secondFirst + k, secondA, secondB);
			sums[secondLead.bodyA] = secondA;
			sums[secondLead.bodyB] = secondB;
		}
		sums[lead.bodyA] = firstA;
		sums[lead.bodyB] = firstB;
	}
}

void ConstraintSolver::SolvePositions()
{
	// Rows without depth to correct still take part, or a push could drive a body into another.
	const bool anyDepth = std::any_of(positionalRows.begin(), positionalRows.end(),
		[this](unsigned index) { return packedRows[index].positionRhs > 0.0f; });
	if (!anyDepth)
		return;
	const auto rowAt = [this](std::size_t i) -> PackedRow& { return packedRows[positionalRows[i]]; };
	GroupRuns(positionalRows.size(), rowAt, runGroups);
	for (int pass = 0; pass < iterations; ++pass)
		RelaxGroups(runGroups, rowAt, &PackedRow::positionRhs, &PackedRow::positionLambda, pushAccel);
}

void ConstraintSolver::Unpack(ConstraintList& rows)
{
	auto packed = packedRows.begin();
	for (Constraint& row : rows)
	{
		if (IsInert(row))
			continue;
		row.lambda = (packed++)->lambda;
		const float force = row.forceScale * row.lambda;
		AddScaled6(row.bodyA->constraintForce, row.jacobian, force);
		AddScaled6(row.bodyB->constraintForce, row.jacobian + 6, force);
	}
	for (std::size_t i = 0; i < packedBodies.size(); ++i)
	{
		RigidBody& body = *packedBodies[i].body;
		const Side& push = pushAccel[i];
		Gather(accel[i], body.solverAccel);
		body.pushVelocity = Tuple3f(push.linear[0], push.linear[1], push.linear[2]) * timeStep;
		body.pushSpin = Tuple3f(push.angular[0], push.angular[1], push.angular[2]) * timeStep;
		body.solverSlot = -1;
	}
}

void ConstraintSolver::Solve(ConstraintList& rows)
{
	packedRows.clear();
	positionalRows.clear();
	packedBodies.clear();
	accel.clear();
	pushAccel.clear();
	PackRows(rows);
	const auto rowAt = [this](std::size_t i) -> PackedRow& { return packedRows[i]; };
	GroupRuns(packedRows.size(), rowAt, runGroups);
	for (int pass = 0; pass < iterations; ++pass)
		RelaxGroups(runGroups, rowAt, &PackedRow::rhs, &PackedRow::lambda, accel);
	SolvePositions();
	Unpack(rows);
}
