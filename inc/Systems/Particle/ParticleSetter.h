// ParticleSetter: the extension point of the particle system. Every behaviour of a particle group
// is a setter in one of its three lists: spawn setters shape a new particle, update setters act on
// every live particle each frame, draw setters hand every live particle to the renderer. A setter
// class is registered by name (ParticleSetterRegistry) and a group gets its setters by cloning the
// prototypes, after which each reads its parameters from the level data.
//
// A new setter class derives from ParticleSetterBase<T> and lists its parameters once in
// Parameters (read by position, written under their keys in the same order); it overrides Attach
// when it needs something of the world at the group's start, Refresh when it caches a per-frame
// frame of reference, and Apply for its effect. Objects other than the owner are held by id and
// looked up in Refresh, so a setter never keeps a pointer to something that may have gone.
#pragma once

#include "Serializer.h"
#include "Systems/Particle/Particle.h"

#include <memory>
#include <string>

class Camera;
class ParticleGroup;
struct RigidBody;

class ParticleSetter
{
public:
	ParticleSetter() = default;
	ParticleSetter(const ParticleSetter&) = default;
	ParticleSetter& operator=(const ParticleSetter&) = delete;
	virtual ~ParticleSetter() = default;

	// Reads the parameters in order.
	virtual void Deserialize(Serializer& serializer);
	// Writes the parameters in the order Deserialize reads them, each under its key.
	virtual void Serialize(Serializer& serializer);
	// The setter's effect on one particle: once on a new particle in a spawn list, once a frame
	// per live particle in an update or draw list.
	virtual void Apply(Particle& particle);
	// A new instance of the class with default parameters and the registered name.
	virtual std::unique_ptr<ParticleSetter> Clone() const = 0;
	// A new instance with the same parameters and running state (for a copied component). The
	// copy's group is the original's until the copying group sets its own.
	virtual std::unique_ptr<ParticleSetter> Copy() const = 0;
	// Once, when the group starts, with the owner object's id.
	virtual void Attach(unsigned objectId);
	// Once a frame before the group ages, emits and updates, only while physics is updating.
	virtual void Refresh();

	// The group that owns the setter; null in a prototype.
	ParticleGroup* group = nullptr;
	// The name the class is registered under; the setter's first value in the data.
	std::string name;
};

// Supplies Clone, Copy and the reading and writing of the parameters that T lists in
//   template <class Field> void Parameters(Field&& field) { field("vel", vel); }
// (the serializer keeps the default of a value it cannot read, non-finite numbers included).
template <class T>
class ParticleSetterBase : public ParticleSetter
{
public:
	std::unique_ptr<ParticleSetter> Clone() const override
	{
		auto clone = std::make_unique<T>();
		clone->name = name;
		return clone;
	}
	std::unique_ptr<ParticleSetter> Copy() const override { return std::make_unique<T>(static_cast<const T&>(*this)); }
	void Deserialize(Serializer& serializer) override
	{
		static_cast<T*>(this)->Parameters([&](const char*, auto& value) { serializer.Read(value); });
	}
	void Serialize(Serializer& serializer) override
	{
		static_cast<T*>(this)->Parameters([&](const char* key, const auto& value) { serializer.Write(key, value); });
	}

	// A class without parameters lists none.
	template <class Field>
	void Parameters(Field&&)
	{
	}
};

// A setter that reads the owner's body: looked up by the owner's id each frame in Refresh, null
// when the owner has no Body (the setter's effect is then skipped).
template <class T>
class OwnerBodySetter : public ParticleSetterBase<T>
{
public:
	void Attach(unsigned objectId) override { ownerId = objectId; }
	void Refresh() override;

protected:
	unsigned ownerId = 0;
	RigidBody* body = nullptr;
};


namespace PS
{
	// The particles' random number: (tw::Rand() mod 10000) / 10000, in [0, 0.9999] by 0.0001.
	float Rand01();
	// a + (b − a) × Rand01, widened to double for the arithmetic.
	float RandomBetween(float a, float b);
	// A random value in [0, 2π) with 2π rounded to float.
	float RandomAngle();
	// (cos θ sin φ, sin θ sin φ, cos φ) for random angles φ then θ: a unit direction, denser at
	// the poles.
	Tuple3f RandomSphereDirection();
	// The physics system's fixed step: particle time is never the frame time.
	float TimeStep();
	// The body of the object's Body component; null when the object, the Body or its body is gone.
	RigidBody* FindBody(unsigned objectId);
	// The graphics system's active camera; null without one.
	Camera* ActiveCamera();
	// The owner's world transform applied to a model-space point, and its orientation applied to
	// a model-space direction.
	Tuple3f ModelToWorld(const RigidBody& body, const Tuple3f& point);
	Tuple3f RotateToWorld(const RigidBody& body, const Tuple3f& direction);
	// Two unit vectors across the unit axis: P = the normalised PerpendicularVector of the axis,
	// Q = axis × P.
	void CrossAxes(const Tuple3f& axis, Tuple3f& p, Tuple3f& q);

	// Sets every field to zero, both colours to opaque white.
	class Zero : public ParticleSetterBase<Zero>
	{
	public:
		void Apply(Particle& particle) override;
	};

	// Does nothing: holds a place in a list (an update list's entry still advances the particles).
	class PlaceHolder : public ParticleSetterBase<PlaceHolder>
	{
	};
}

template <class T>
void OwnerBodySetter<T>::Refresh()
{
	body = PS::FindBody(ownerId);
}
