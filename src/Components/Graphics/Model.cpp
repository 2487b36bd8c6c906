#include "Components/Graphics/Model.h"

#include "Components/Graphics/ModelData.h"
#include "Components/Graphics/ModelFile.h"
#include "Components/Graphics/PrimitiveMesh.h"
#include "Components/Graphics/Shader.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Graphics/VertexLayout.h"
#include "Utilities/UnorderedVector.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstring>

namespace
{
	tw::unordered_vector<MediaInfo<Model::ModelData>*>& ModelCache()
	{
		static tw::unordered_vector<MediaInfo<Model::ModelData>*> cache;
		return cache;
	}

	constexpr int kModelEntryKind = 2;

	// Counts the emptyings of the cache: an entry taken in an earlier one is gone.
	unsigned cacheGeneration = 0;

	// One generic vertex attribute of a mesh: where it sits in a vertex and where the program
	// takes it.
	struct GenericAttribute
	{
		int offset;
		int location;
		GLint components;
		GLenum type;
	};
}

namespace
{
	void FindBounds(Model::Mesh& mesh)
	{
		const VertexLayout* layout = GetVertexLayout(mesh.formatId);
		if (layout == nullptr || mesh.vertexCount == 0)
			return;
		for (std::size_t vertex = 0; vertex < mesh.vertexCount; ++vertex)
		{
			Tuple3f position;
			std::memcpy(&position, mesh.vertices.data() + vertex * mesh.stride + layout->position, sizeof position);
			for (int axis = 0; axis < 3; ++axis)
			{
				mesh.boundsMin[axis] = vertex == 0 ? position[axis] : std::min(mesh.boundsMin[axis], position[axis]);
				mesh.boundsMax[axis] = vertex == 0 ? position[axis] : std::max(mesh.boundsMax[axis], position[axis]);
			}
		}
	}
}

MediaInfo<Model::ModelData>* LoadModel(const std::string& modelName)
{
	for (MediaInfo<Model::ModelData>* entry : ModelCache())
		if (entry->name == modelName)
		{
			++entry->count;
			return entry;
		}
	auto* entry = new MediaInfo<Model::ModelData>{1, ModelFile::Load(modelName), modelName};
	FindBounds(entry->media.mesh);
	ModelCache().push_back(entry);
	return entry;
}

void ReleaseAllModels()
{
	for (MediaInfo<Model::ModelData>* entry : ModelCache())
	{
		entry->media.Destroy();
		delete entry;
	}
	ModelCache().clear();
	++cacheGeneration;
}

unsigned CachedModelCount()
{
	return static_cast<unsigned>(ModelCache().size());
}

bool Model::Load(Serializer& serializer)
{
	serializer.Read(modelName);
	TakeMedia();
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
	serializer.Write("model name", Data() != nullptr ? media->name : modelName);
	serializer.Write("visible", visible);
	serializer.Write("animation speed", speed);
	serializer.Write("ragdoll", ragdoll);
	serializer.Write(nullptr, animationName);
	return true;
}

bool Model::Start()
{
	renderEntry.component = this;
	renderEntry.owner = owner;
	renderEntry.kind = kModelEntryKind;
	renderEntry.predicate = &Graphics::IsOutsideView;
	if (Graphics* graphics = Graphics::Find())
	{
		graphics->Models().PushBack(this);
		graphics->RenderEntries().PushBack(&renderEntry);
	}
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
	const ModelData* data = Data();
	if (!visible || !renderEntry.draw || data == nullptr || data->mesh.indexCount == 0)
		return false;
	const Transform* transform = owner->GetComponent<Transform>();
	if (transform == nullptr)
		return false;
	glMatrixMode(GL_MODELVIEW);
	PushPlacement(transform->GetWorldPosition(), transform->GetWorldRotationVector(), transform->GetScale());
	if (IsSkinned())
		UploadBoneMatrices();
	DrawMesh(data->mesh);
	glPopMatrix();
	return true;
}

bool Model::GetMeshBounds(Tuple3f& low, Tuple3f& high) const
{
	const ModelData* data = Data();
	if (data == nullptr || data->mesh.vertexCount == 0)
		return false;
	low = data->mesh.boundsMin;
	high = data->mesh.boundsMax;
	return true;
}

bool Model::IsSkinned() const
{
	const ModelData* data = Data();
	if (data == nullptr || boneMatrices.empty())
		return false;
	// A rigid mesh beside a skeleton has no blend data: skinning it would read bone weights the
	// vertices do not carry.
	const VertexLayout* layout = GetVertexLayout(data->mesh.formatId);
	return layout != nullptr && layout->blendWeights >= 0 && layout->blendIndices >= 0;
}

void Model::UploadBoneMatrices() const
{
	const int location = CurrentUniform(Uniform::BoneMatrices);
	static_assert(sizeof(Matrix4) == 16 * sizeof(float), "bone matrices are uploaded as one float array");
	if (location >= 0)
		glUniformMatrix4fv(location, static_cast<GLsizei>(std::min<std::size_t>(boneMatrices.size(), kMaxBones)), GL_TRUE,
			boneMatrices.front().m);
}

void Model::DrawMesh(const Mesh& mesh) const
{
	const VertexLayout& layout = *GetVertexLayout(mesh.formatId);
	const bool buffered = mesh.vertexBuffer != 0;
	if (buffered)
	{
		glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
		glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
	}
	// Offsets into the bound buffer, or addresses in the vertex array.
	const std::uint8_t* base = buffered ? nullptr : mesh.vertices.data();
	const auto at = [base](int offset) { return static_cast<const void*>(base + offset); };
	const GLsizei stride = layout.stride;

	glEnableClientState(GL_VERTEX_ARRAY);
	glVertexPointer(3, GL_FLOAT, stride, at(layout.position));
	if (layout.texCoord >= 0)
	{
		glEnableClientState(GL_TEXTURE_COORD_ARRAY);
		glTexCoordPointer(2, GL_FLOAT, stride, at(layout.texCoord));
	}
	if (layout.normal >= 0)
	{
		glEnableClientState(GL_NORMAL_ARRAY);
		glNormalPointer(GL_FLOAT, stride, at(layout.normal));
	}
	// Tangents come from the object's own Shader's program, blending from the current one.
	const Shader* shader = owner->GetComponent<Shader>();
	const unsigned shaderProgram = shader != nullptr ? shader->GetProgram() : 0;
	const GenericAttribute generic[] = {
		{layout.blendWeights, AttributeLocation(CurrentProgram, Attribute::BlendWeights), 4, GL_FLOAT},
		{layout.blendIndices, AttributeLocation(CurrentProgram, Attribute::BlendIndices), 4, GL_UNSIGNED_BYTE},
		{layout.tangent, AttributeLocation(shaderProgram, Attribute::Tangent), 3, GL_FLOAT},
		{layout.binormal, AttributeLocation(shaderProgram, Attribute::Binormal), 3, GL_FLOAT},
	};
	for (const GenericAttribute& attribute : generic)
		if (attribute.offset >= 0 && attribute.location >= 0)
		{
			glEnableVertexAttribArray(static_cast<GLuint>(attribute.location));
			glVertexAttribPointer(static_cast<GLuint>(attribute.location), attribute.components, attribute.type, GL_FALSE, stride,
				at(attribute.offset));
		}

	glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indexCount), GL_UNSIGNED_INT, buffered ? nullptr : mesh.indices.data());

	for (const GenericAttribute& attribute : generic)
		if (attribute.offset >= 0 && attribute.location >= 0)
			glDisableVertexAttribArray(static_cast<GLuint>(attribute.location));
	glDisableClientState(GL_NORMAL_ARRAY);
	glDisableClientState(GL_TEXTURE_COORD_ARRAY);
	glDisableClientState(GL_VERTEX_ARRAY);
	if (buffered)
	{
		glBindBuffer(GL_ARRAY_BUFFER, 0);
		glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
	}
}

void Model::Release()
{
	// An entry of an emptied cache is gone with its count.
	if (Data() != nullptr)
		ReleaseMedia(media);
	media = nullptr;
}

void Model::Detach()
{
	if (Graphics* graphics = Graphics::Find())
	{
		graphics->Models().Remove(this);
		graphics->RenderEntries().Remove(&renderEntry);
	}
}

void Model::ReloadMedia()
{
	// Still holding an entry of the current cache (a reload without a device loss), it keeps it.
	if (Data() != nullptr)
		return;
	TakeMedia();
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
	return media != nullptr && mediaGeneration == cacheGeneration ? &media->media : nullptr;
}

void Model::TakeMedia()
{
	media = LoadModel(modelName);
	mediaGeneration = cacheGeneration;
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
