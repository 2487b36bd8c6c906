#include "Components/Graphics/Model.h"

#include "Components/Graphics/ModelData.h"
#include "Components/Graphics/ModelFile.h"
#include "Composition.h"
#include "Serializer.h"
#include "Utilities/UnorderedVector.h"

namespace
{
	tw::unordered_vector<MediaInfo<Model::ModelData>*>& ModelCache()
	{
		static tw::unordered_vector<MediaInfo<Model::ModelData>*> cache;
		return cache;
	}

	std::vector<std::string>& UniformNames()
	{
		static std::vector<std::string> names;
		return names;
	}
}

MediaInfo<Model::ModelData>* LoadModel(const std::string& modelName)
{
	for (MediaInfo<Model::ModelData>* entry : ModelCache())
		if (entry->name == modelName)
		{
			++entry->referenceCount;
			return entry;
		}
	auto* entry = new MediaInfo<Model::ModelData>{1, ModelFile::Load(modelName), modelName};
	ModelCache().push_back(entry);
	return entry;
}

void ReleaseAllModels()
{
	for (MediaInfo<Model::ModelData>* entry : ModelCache())
	{
		entry->data.Destroy();
		delete entry;
	}
	ModelCache().clear();
}

unsigned CachedModelCount()
{
	return static_cast<unsigned>(ModelCache().size());
}

void BuildBoneUniformNames()
{
	std::vector<std::string>& names = UniformNames();
	if (!names.empty())
		return;
	for (unsigned bone = 0; bone < Model::kMaxBones; ++bone)
		names.push_back("boneMatrices[" + std::to_string(bone) + "]");
}

const std::vector<std::string>& BoneUniformNames()
{
	return UniformNames();
}

bool Model::Load(Serializer& serializer)
{
	serializer.Read(modelName);
	media = LoadModel(modelName);
	serializer.Read(visible);
	serializer.Read(speed);
	serializer.Read(ragdoll);
	animationName.clear();
	if (serializer.HasMore())
		serializer.Read(animationName);
	owner->RegisterHandler("Ragdoll", &Model::OnRagdoll);
	owner->RegisterHandler("SetAnimation", &Model::OnSetAnimation);
	owner->RegisterHandler("ChangeAnimation", &Model::OnChangeAnimation);
	owner->RegisterHandler("SetAnimationSpeed", &Model::OnSetAnimationSpeed);
	return true;
}

bool Model::Serialize(Serializer& serializer)
{
	serializer.Write("model name", media != nullptr ? media->name : modelName);
	serializer.Write("visible", visible);
	serializer.Write("animation speed", speed);
	serializer.Write("ragdoll", ragdoll);
	serializer.Write(nullptr, animationName);
	return true;
}

bool Model::Start()
{
	const ModelData* data = Data();
	const std::size_t boneCount = data != nullptr ? data->skeleton.bones.size() : 0;
	boneMatrices.resize(boneCount);
	keyCursors.resize(boneCount, 0);
	// The table's first entry in iteration order is the empty name (the reader inserts it last),
	// so a model starts in its bind pose whatever animations its file holds.
	currentAnimation = nullptr;
	currentAnimationName.clear();
	if (data != nullptr && !data->animations.empty())
	{
		const auto& first = *data->animations.begin();
		currentAnimation = first.second.get();
		currentAnimationName = first.first;
	}
	Animate(0.0f);
	return true;
}

bool Model::Update()
{
	return true;
}

void Model::Release()
{
	if (media != nullptr)
		--media->referenceCount;
	media = nullptr;
}

void Model::Detach()
{
}

void Model::ReloadMedia()
{
	media = LoadModel(modelName);
	if (!FindAnimation(currentAnimationName, currentAnimation))
	{
		currentAnimation = nullptr;
		currentAnimationName.clear();
	}
}

bool Model::FindAnimation(const std::string& name, const Animation*& animation) const
{
	const ModelData* data = Data();
	if (data == nullptr)
		return false;
	const auto found = data->animations.find(name);
	if (found == data->animations.end())
		return false;
	animation = found->second.get();
	return true;
}

const Model::ModelData* Model::Data() const
{
	return media != nullptr ? &media->data : nullptr;
}

bool Model::Switch(const Animation* animation)
{
	if (animation == currentAnimation)
		return false;
	currentAnimation = animation;
	currentAnimationName = animation != nullptr ? animation->name : std::string();
	time = 0.0f;
	std::fill(keyCursors.begin(), keyCursors.end(), 0u);
	return true;
}

void Model::OnRagdoll(Message::Reader reader)
{
	reader.Read(ragdoll);
}

void Model::OnSetAnimation(Message::Reader reader)
{
	const std::string name = reader.Read<std::string>();
	const Animation* animation = nullptr;
	if (!FindAnimation(name, animation) || !Switch(animation))
		return;
	speed = kSetAnimationSpeed;
	if (reader.HasMore())
		reader.Read(speed);
}

void Model::OnChangeAnimation(Message::Reader reader)
{
	const std::string name = reader.Read<std::string>();
	const Animation* animation = nullptr;
	if (FindAnimation(name, animation))
		Switch(animation);
	if (reader.HasMore())
		reader.Read(speed);
}

void Model::OnSetAnimationSpeed(Message::Reader reader)
{
	reader.Read(speed);
}
