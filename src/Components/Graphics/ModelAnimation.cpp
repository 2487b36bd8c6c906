// The skeletal side of Model: advancing the current animation, sampling its tracks and turning
// the sampled, bind or ragdoll poses into one skinning matrix per bone.
#include "Components/Graphics/Model.h"

#include "Components/Graphics/ModelData.h"
#include "Components/Transform.h"
#include "Composition.h"

#include <algorithm>
#include <cmath>

void Model::Animate(float step)
{
	const ModelData* data = Data();
	if (data == nullptr)
		return;
	const Skeleton& skeleton = data->skeleton;
	// Sized at Start; a file read anew after a device loss may have changed its bone count.
	if (boneMatrices.size() != skeleton.bones.size())
	{
		boneMatrices.assign(skeleton.bones.size(), Matrix4::Identity());
		keyCursors.assign(skeleton.bones.size(), 0);
	}
	BoneTransform* bones = owner != nullptr ? owner->GetComponent<BoneTransform>() : nullptr;
	// Without an animation the bind pose is computed even when no BoneTransform wants it, so that
	// the matrices are never left unset.
	if (currentAnimation == nullptr)
		ApplyBindPose(skeleton, bones);
	else if (ragdoll && bones != nullptr)
		ApplyRagdollPose(skeleton, *bones);
	else
		ApplyAnimatedPose(step, skeleton, bones);
}

void Model::ApplyAnimatedPose(float step, const Skeleton& skeleton, BoneTransform* bones)
{
	time = static_cast<float>(static_cast<double>(time) + static_cast<double>(speed) * step);
	// The part beyond the duration is dropped; a time equal to it stays.
	if (time > currentAnimation->duration)
	{
		time = 0.0f;
		std::fill(keyCursors.begin(), keyCursors.end(), 0u);
	}
	for (std::size_t i = 0; i < skeleton.bones.size(); ++i)
	{
		const Bone& bone = *skeleton.bones[i];
		Tuple3f position;
		Quaternion rotation;
		EvaluateTrack(currentAnimation->tracks[i], keyCursors[i], time, position, rotation);
		const Matrix4 local = BuildPoseMatrix(position, rotation);
		const bool isRoot = bone.parent == Bone::kNoParent;
		// Parents come before their children, so the parent's matrix of this step is ready.
		const Matrix4& parent = isRoot ? local : boneMatrices[bone.parent];
		boneMatrices[i] = isRoot ? local : parent * local;
		if (bones == nullptr)
			continue;
		const auto entry = bones->Find(bone.name);
		if (entry == bones->End())
			continue;
		entry->second.orientation = isRoot ? rotation : QuaternionFromRotationMatrix(parent) * rotation;
		entry->second.position = isRoot ? position : parent * position;
	}
	ApplySkinOffsets(skeleton);
}

void Model::ApplyBindPose(const Skeleton& skeleton, BoneTransform* bones)
{
	for (std::size_t i = 0; i < skeleton.bones.size(); ++i)
	{
		const Bone& bone = *skeleton.bones[i];
		boneMatrices[i] = bone.bindMatrix;
		if (bones == nullptr)
			continue;
		if (const auto entry = bones->Find(bone.name); entry != bones->End())
		{
			entry->second.orientation = bone.bindOrientation;
			entry->second.position = bone.bindPosition;
		}
	}
	ApplySkinOffsets(skeleton);
}

void Model::ApplyRagdollPose(const Skeleton& skeleton, BoneTransform& bones)
{
	for (std::size_t i = 0; i < skeleton.bones.size(); ++i)
	{
		const Bone& bone = *skeleton.bones[i];
		// A bone the ragdoll does not drive keeps its bind pose.
		const auto entry = bones.Find(bone.name);
		boneMatrices[i] = entry != bones.End() ? BuildPoseMatrix(entry->second.position, entry->second.orientation) : bone.bindMatrix;
	}
	ApplySkinOffsets(skeleton);
}

void Model::ApplySkinOffsets(const Skeleton& skeleton)
{
	for (std::size_t i = 0; i < skeleton.bones.size(); ++i)
		boneMatrices[i] = boneMatrices[i] * skeleton.bones[i]->skinOffsetMatrix;
}

void Model::EvaluateTrack(const std::vector<Key>& keys, unsigned& cursor, float atTime, Tuple3f& position, Quaternion& rotation)
{
	const std::size_t count = keys.size();
	std::size_t j = std::min<std::size_t>(cursor, count - 1);
	while (j + 1 < count && atTime > keys[j + 1].time)
		++j;
	while (j > 0 && keys[j].time > atTime)
		--j;
	cursor = static_cast<unsigned>(j);
	if (j == count - 1)
	{
		position = keys[j].position;
		rotation = keys[j].rotation;
		return;
	}
	const Key& from = keys[j];
	const Key& to = keys[j + 1];
	const double interval = static_cast<double>(to.time) - from.time;
	// Two keys at one time would divide zero by zero; the earlier one stands. Otherwise u is not
	// clamped, so times before the first key extrapolate.
	const double u = interval > 0.0 ? (static_cast<double>(atTime) - from.time) / interval : 0.0;
	position = from.position * static_cast<float>(1.0 - u) + to.position * static_cast<float>(u);
	rotation = Quaternion::Slerp(from.rotation, to.rotation, static_cast<float>(u));
}

