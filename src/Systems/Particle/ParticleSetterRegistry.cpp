#include "Systems/Particle/ParticleSetterRegistry.h"

#include "Systems/Particle/BoneSetters.h"
#include "Systems/Particle/DirectionSetters.h"
#include "Systems/Particle/PositionSetters.h"
#include "Systems/Particle/SpawnSetters.h"
#include "Systems/Particle/TextureSetters.h"
#include "Systems/Particle/UpdateSetters.h"

#include <iterator>

namespace
{
	struct SetterRow
	{
		const char* name;
		std::unique_ptr<ParticleSetter> (*create)();
	};

	template <class T>
	std::unique_ptr<ParticleSetter> Create()
	{
		return std::make_unique<T>();
	}

	// The registered setter names in their fixed order, each with its class.
	const SetterRow kSetterTable[] = {
		{"Zero", Create<PS::Zero>},
		{"PlaceHolder", Create<PS::PlaceHolder>},
		{"Spawn_Velocity_Default", Create<PS::Spawn_Velocity_Default>},
		{"Spawn_Velocity_Random", Create<PS::Spawn_Velocity_Random>},
		{"Spawn_Velocity_Relative", Create<PS::Spawn_Velocity_Relative>},
		{"Spawn_Color_Default", Create<PS::Spawn_Color_Default>},
		{"Spawn_Scale_Default", Create<PS::Spawn_Scale_Default>},
		{"Spawn_Rotation_Default", Create<PS::Spawn_Rotation_Default>},
		{"Spawn_Lifetime_Default", Create<PS::Spawn_Lifetime_Default>},
		{"Spawn_TextureIndex_Default", Create<PS::Spawn_TextureIndex_Default>},
		{"Spawn_Texture_Randomizer", Create<PS::TextureRandomizer>},
		{"Spawn_Color_Randomizer", Create<PS::ColorRandomizer>},
		{"Spawn_Color_Sequencer", Create<PS::ColorSequencer>},
		{"Spawn_Color_Field", Create<PS::Spawn_Color_Field>},
		{"Spawn_Fire", Create<PS::Spawn_Fire>},
		{"Spawn_Velocity_Variation", Create<PS::Spawn_Velocity_Variation>},
		{"Spawn_Position_Point", Create<PS::Spawn_Position_Point>},
		{"Spawn_Position_Line", Create<PS::Spawn_Position_Line>},
		{"Spawn_Position_Circle", Create<PS::Spawn_Position_Circle>},
		{"Spawn_Position_Sphere", Create<PS::Spawn_Position_Sphere>},
		{"Spawn_Position_Camera", Create<PS::Spawn_Position_Camera>},
		{"Spawn_Position_Camera_Circle", Create<PS::Spawn_Position_Camera_Circle>},
		{"Spawn_Pig_Stars", Create<PS::Spawn_Pig_Stars>},
		{"Spawn_Position_Checkpoint", Create<PS::Spawn_Position_Checkpoint>},
		{"Spawn_Position_Bone", Create<PS::Spawn_Position_Bone>},
		{"Spawn_Position_Relative", Create<PS::Spawn_Position_Relative>},
		{"CylinderSpawner", Create<PS::CylinderSpawner>},
		{"EllipsoidSpawner", Create<PS::EllipsoidSpawner>},
		{"Spawn_Ring", Create<PS::Spawn_Ring>},
		{"Spawn_Direction_Sphere", Create<PS::Spawn_Direction_Sphere>},
		{"Spawn_Direction_Circle", Create<PS::Spawn_Direction_Circle>},
		{"Spawn_Direction_Camera_Radial", Create<PS::Spawn_Direction_Camera_Radial>},
		{"Spawn_Direction_Global", Create<PS::Spawn_Direction_Global>},
		{"Spawn_Cone_Edge_Model", Create<PS::Spawn_Cone_Edge_Model>},
		{"Spawn_Direction_Model", Create<PS::Spawn_Direction_Model>},
		{"Spawn_Cone_Global", Create<PS::Spawn_Cone_Global>},
		{"Spawn_Cone_Model", Create<PS::Spawn_Cone_Model>},
		{"Spawn_Cone_Camera", Create<PS::Spawn_Cone_Camera>},
		{"Spawn_Random_Angle", Create<PS::Spawn_Random_Angle>},
		{"Spawn_Direction_Bone", Create<PS::Spawn_Direction_Bone>},
		{"Spawn_Scale_Field", Create<PS::Spawn_Scale_Field>},
		{"Update_Accelerate_Global", Create<PS::Update_Accelerate_Global>},
		{"Update_Velocity_Damp", Create<PS::Update_Velocity_Damp>},
		{"Update_Velocity_Camera", Create<PS::Update_Velocity_Camera>},
		{"Update_Velocity_Camera_Blow", Create<PS::Update_Velocity_Camera_Blow>},
		{"Update_Scale_Default", Create<PS::Update_Scale_Default>},
		{"Update_Color_Dark", Create<PS::Update_Color_Dark>},
		{"Update_Color", Create<PS::Update_Color>},
		{"Update_Alpha", Create<PS::Update_Alpha>},
		{"Update_Pig_Stars", Create<PS::Update_Pig_Stars>},
		{"Update_Vortex", Create<PS::Update_Vortex>},
		{"Update_Position_Relative", Create<PS::Update_Position_Relative>},
		{"CylinderUpdater", Create<PS::CylinderUpdater>},
		{"EllipsoidUpdater", Create<PS::EllipsoidUpdater>},
		{"Update_Position_ARH", Create<PS::Update_Position_ARH>},
		{"Update_Scale_Inverse", Create<PS::Update_Scale_Inverse>},
		{"Update_Draw_Debug", Create<PS::Update_Draw_Debug>},
		{"Draw_Random_Texture", Create<PS::RandomTextureDrawer>},
	};
}

ParticleSetterRegistry& ParticleSetterRegistry::Instance()
{
	static ParticleSetterRegistry registry;
	return registry;
}

ParticleSetterRegistry::~ParticleSetterRegistry()
{
	for (auto& [name, prototype] : prototypes)
		delete prototype;
}

void ParticleSetterRegistry::RegisterAll()
{
	for (const SetterRow& row : kSetterTable)
		Register(row.name, row.create());
}

void ParticleSetterRegistry::Register(const std::string& name, std::unique_ptr<ParticleSetter> prototype)
{
	prototype->name = name;
	ParticleSetter*& slot = prototypes[name];
	delete slot;
	slot = prototype.release();
}

const ParticleSetter* ParticleSetterRegistry::Find(const std::string& name) const
{
	const auto found = prototypes.find(name);
	return found != prototypes.end() ? found->second : nullptr;
}

std::vector<std::string> ParticleSetterRegistry::TableNames()
{
	std::vector<std::string> names;
	names.reserve(std::size(kSetterTable));
	for (const SetterRow& row : kSetterTable)
		names.emplace_back(row.name);
	return names;
}

const ParticleSetter* ParticleSetterLookup(const std::string& name)
{
	return ParticleSetterRegistry::Instance().Find(name);
}
