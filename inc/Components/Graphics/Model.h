// Model: gives a game object a rigid or skinned triangle mesh read from a model file, keeps its
// animation state, poses its skeleton once a frame and draws it when the renderer asks. Model data
// is shared by name through a reference-counted cache. The file records (mesh, skeleton,
// animations) are defined in ModelData.h, the reader in ModelFile.h.
#pragma once

#include "Component.h"
#include "Components/Graphics/MediaInfo.h"
#include "Message.h"
#include "Systems/Graphics/RenderEntry.h"
#include "Utilities/HashMap.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <memory>
#include <string>
#include <vector>

class BoneTransform;

struct __ModelName
{
	static constexpr const char* name = "Model";
};

class Model : public ComponentBase<Model, __ModelName>
{
public:
	struct Key;
	struct Bone;
	struct Skeleton;
	struct Animation;
	struct Mesh;
	struct ModelData;
	// Owns its animations; always holds the empty name, mapped to no animation.
	using AnimationTable = tw::hash_map<std::string, std::unique_ptr<Animation>>;

	// Only this many "boneMatrices[i]" uniforms exist, so no skeleton may have more bones.
	static constexpr unsigned kMaxBones = 80;
	static constexpr float kDefaultSpeed = 0.025f;
	// The speed "SetAnimation" sets when it carries none.
	static constexpr float kSetAnimationSpeed = 0.1f;

	Model() = default;
	Model(const Model& other) = default;
	Model& operator=(const Model&) = delete;
	~Model() override = default;

	// Reads "model name", "visible", "animation speed", "ragdoll" and an optional fifth string,
	// takes the model from the cache and binds the animation messages.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Joins the Graphics system's model list and render entries, sizes the pose to the skeleton
	// and shows the first pose.
	bool Start() override;
	// Draws the model with the current program (a skinned one with its bone matrices as
	// "boneMatrices"); false,
	// drawing nothing, unless it is visible this frame and has a mesh and a Transform.
	bool Update() override;
	// Gives the cache entry back.
	void Release() override;
	// True when the model draws through its bones: it has a skeleton and its mesh carries blend
	// weights and indices.
	bool IsSkinned() const;
	// The box of the mesh's rest positions in model space; false without a mesh.
	bool GetMeshBounds(Tuple3f& low, Tuple3f& high) const;
	// Leaves the Graphics system's lists.
	void Detach() override;

	// Advances the current animation by speed x step and poses the skeleton: from the animation,
	// from the owner's BoneTransform for a ragdoll, or the bind pose when no animation is current.
	virtual void Animate(float step);

	// After the cache was emptied (device loss): takes the entry of the model's name again and
	// finds its current animation in the new records by name. A model whose entry is still
	// cached keeps it.
	void ReloadMedia();

	// True when the model's table holds the name; animation then holds its record (null for the
	// empty name, which means no animation).
	bool FindAnimation(const std::string& animationName, const Animation*& animation) const;

	// T(position) x R(rotation), the quaternion used as it is.
	static Matrix4 BuildPoseMatrix(const Tuple3f& position, const Quaternion& rotation);
	// Interpolates one bone's track at time, moving its key cursor from where it was.
	static void EvaluateTrack(const std::vector<Key>& keys, unsigned& cursor, float time, Tuple3f& position,
		Quaternion& rotation);

	const std::string& GetModelName() const { return modelName; }
	const MediaInfo<ModelData>* GetMedia() const { return media; }
	bool IsVisible() const { return visible; }
	bool IsRagdoll() const { return ragdoll; }
	float GetTime() const { return time; }
	float GetSpeed() const { return speed; }
	const Animation* GetCurrentAnimation() const { return currentAnimation; }
	const std::vector<Matrix4>& GetBoneMatrices() const { return boneMatrices; }
	const RenderEntry& GetRenderEntry() const { return renderEntry; }

	// The Graphics system's list of models.
	ListLinks<Model> links;

protected:
	void OnRagdoll(Message::Reader reader);
	void OnSetAnimation(Message::Reader reader);
	void OnChangeAnimation(Message::Reader reader);
	void OnSetAnimationSpeed(Message::Reader reader);

private:
	// Makes the animation current from its first keys; false when it already was.
	bool Switch(const Animation* animation);
	// The media, or null when there is none or its cache was emptied since it was taken (the
	// records, and the animation pointed into them, are gone then).
	const ModelData* Data() const;
	void TakeMedia();
	void ApplyAnimatedPose(float step, const Skeleton& skeleton, BoneTransform* bones);
	void ApplyBindPose(const Skeleton& skeleton, BoneTransform* bones);
	void ApplyRagdollPose(const Skeleton& skeleton, BoneTransform& bones);
	void ApplySkinOffsets(const Skeleton& skeleton);
	void UploadBoneMatrices() const;
	void DrawMesh(const Mesh& mesh) const;

	std::string modelName;
	bool visible = false;
	MediaInfo<ModelData>* media = nullptr;
	// The cache generation media was taken in.
	unsigned mediaGeneration = 0;
	bool ragdoll = false;
	// The fifth saved value; nothing reads it.
	std::string animationName;

	float time = 0.0f;
	float speed = kDefaultSpeed;
	const Animation* currentAnimation = nullptr;
	// Kept beside the pointer so that the animation can be found again once the records it
	// points into were read anew after a device loss.
	std::string currentAnimationName;
	// Per bone: the index of the key last used on its track.
	std::vector<unsigned> keyCursors;
	// Per bone: the skinning matrix uploaded as "boneMatrices[i]".
	std::vector<Matrix4> boneMatrices;
	// Kind 2, tested against the view every frame.
	RenderEntry renderEntry;
};

// The cache entry of the model name: an entry already cached gets one more user; otherwise the
// file is read (an unreadable or damaged file gives an empty model) and cached with one user.
MediaInfo<Model::ModelData>* LoadModel(const std::string& modelName);
// Destroys every cached model, whatever its users, and empties the cache.
void ReleaseAllModels();
// How many entries the cache holds.
unsigned CachedModelCount();
