// ParticleSetterRegistry: the particle setter prototypes by name. The ParticleManager fills it at
// every Initialize; a ParticleSystem clones the prototype named in its data for each setter of a
// group. The table of registered names and classes, in its fixed order, lives in the source file
// (kSetterTable): a new setter class joins the particle system by adding its row there.
#pragma once

#include "Systems/Particle/ParticleSetter.h"
#include "Utilities/HashMap.h"

#include <memory>
#include <string>
#include <vector>

class ParticleSetterRegistry
{
public:
	static ParticleSetterRegistry& Instance();

	ParticleSetterRegistry() = default;
	ParticleSetterRegistry(const ParticleSetterRegistry&) = delete;
	ParticleSetterRegistry& operator=(const ParticleSetterRegistry&) = delete;
	~ParticleSetterRegistry();

	// Creates a prototype for every row of the table, in table order. A prototype already held
	// under a name is replaced and freed, so the registry keeps exactly one per name.
	void RegisterAll();
	// Stores the prototype under the name (given to it as its name), freeing the one it replaces.
	void Register(const std::string& name, std::unique_ptr<ParticleSetter> prototype);
	// The prototype registered under the name; null for a name no class is registered under.
	const ParticleSetter* Find(const std::string& name) const;
	std::size_t Count() const { return prototypes.size(); }
	// The names of the table, in its order.
	static std::vector<std::string> TableNames();

private:
	tw::hash_map<std::string, ParticleSetter*> prototypes;
};

// The prototype of the setter name in the global registry; null when the name is not registered.
const ParticleSetter* ParticleSetterLookup(const std::string& name);
