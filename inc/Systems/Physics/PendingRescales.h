// PendingRescales: bodies whose scale changed and whose mass, inertia and placement are not yet
// brought up to date. A blast grows its body and shrinks it back within one update, hundreds of
// them in a chain; recomputing twice per blast dominated the frame. Body's "SetScale" defers the
// recompute here, and every reader settles first: the physics step, the queries, and Logic after
// each component's update. A body whose mass and placement were computed for the scale, place and
// orientation it has when settled keeps what it has: it is already exact.
#pragma once

#include <vector>

struct RigidBody;

class PendingRescales
{
public:
	void Defer(RigidBody& body);
	// Brings every deferred body up to date: mass, inertia and centre, then a wake and the
	// placement, as an immediate rescale would have.
	void SettleAll();
	// A body leaving the world is never settled.
	void Forget(const RigidBody& body);
	bool IsPending(const RigidBody& body) const;
	bool IsEmpty() const { return pending.empty(); }
	// Only while Logic updates a component, which settles right after it, is a rescale deferred;
	// anywhere else (the step's contact handlers, scripts, loading) it is done at once.
	void SetDeferring(bool on) { deferring = on; }
	bool IsDeferring() const { return deferring; }

private:
	// Judged from the body itself, not from the scale seen when the rescale arrived: the
	// Transform takes a "SetScale" before the Body does, so by then the old scale is gone.
	static bool IsCurrent(const RigidBody& body);

	std::vector<RigidBody*> pending;
	bool deferring = false;
};

// Rescales deferred for a whole run of component updates: open once around the run, and settled
// after each update that left one pending, so the next component reads the body up to date. An
// update that rescales nothing costs one look at the list.
class RescaleDeferral
{
public:
	// None: no physics world, nothing to defer.
	explicit RescaleDeferral(PendingRescales* rescales);
	~RescaleDeferral();
	RescaleDeferral(const RescaleDeferral&) = delete;
	RescaleDeferral& operator=(const RescaleDeferral&) = delete;

	void SettleAfterUpdate()
	{
		if (rescales != nullptr && !rescales->IsEmpty())
			SettleOutsideDeferral();
	}

private:
	// Settles with deferring off, as after an update of its own.
	void SettleOutsideDeferral();

	PendingRescales* rescales;
};
