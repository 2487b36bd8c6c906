#include "Components/Graphics/PointSprite.h"

#include "Components/Graphics/GLEnumNames.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Utilities/ListSort.h"

#include <GL/glew.h>

#include <cfloat>
#include <iostream>

namespace
{
	// Render-entry kinds 0 to 3 are asked every frame; the sprite's question measures its distance.
	constexpr int kMeasuredEntry = 3;

	unsigned ResolveBlendFactor(const std::string& name, const Composition& owner)
	{
		const unsigned factor = BlendFactorFromName(name);
		if (factor == 0 && name != "GL_ZERO")
			std::cout << "PointSprite of object \"" << owner.GetName() << "\": unknown blend factor \"" << name
					  << "\", GL_ZERO used\n";
		return factor;
	}
}

std::uint32_t PointSprite::GroupIDHash::operator()(const GroupID& id) const
{
	const std::uint64_t packed = (static_cast<std::uint64_t>(id.group) << 33) ^ (static_cast<std::uint64_t>(id.key) << 1) ^
		static_cast<std::uint64_t>(id.nearEye);
	return tw::ext::hash<std::uint64_t>()(packed);
}

std::uint32_t PointSprite::DepthGroupIDHash::operator()(const DepthGroupID& id) const
{
	return tw::ext::hash<std::uint64_t>()((static_cast<std::uint64_t>(id.group) << 1) | static_cast<std::uint64_t>(id.nearEye));
}

PointSprite::PointSprite(const PointSprite& other)
	: ComponentBase(other), spriteLinks(other.spriteLinks), currentGroup(other.currentGroup),
	  distanceAttenuation(other.distanceAttenuation), baseSize(other.baseSize), maximumSize(other.maximumSize),
	  minimumSize(other.minimumSize), blendSourceText(other.blendSourceText),
	  blendDestinationText(other.blendDestinationText), blendSource(other.blendSource),
	  blendDestination(other.blendDestination), threshold(other.threshold), sortParticles(other.sortParticles),
	  groupIds(other.groupIds), groupBlends(other.groupBlends), textures(other.textures),
	  eyeDistance(other.eyeDistance), renderEntry(other.renderEntry)
{
}

bool PointSprite::Load(Serializer& serializer)
{
	serializer.Read(distanceAttenuation).Read(baseSize).Read(maximumSize).Read(minimumSize).Read(threshold);
	serializer.Read(blendSourceText).Read(blendDestinationText);
	sortParticles = false;
	if (serializer.HasMore())
		serializer.Read(sortParticles);
	while (serializer.HasMore())
	{
		GroupBlend blend;
		serializer.Read(blend.groupName);
		if (!serializer.HasMore())
		{
			std::cout << "PointSprite of object \"" << owner->GetName() << "\": group \"" << blend.groupName
					  << "\" has no blend factors\n";
			break;
		}
		serializer.Read(blend.sourceName).Read(blend.destinationName);
		groupBlends[GetGroupId(blend.groupName)] = blend;
	}
	return true;
}

bool PointSprite::Serialize(Serializer& serializer)
{
	serializer.Write("Distance Attenuation", distanceAttenuation);
	serializer.Write("Base size per point sprite", baseSize);
	serializer.Write("Maximum point sprite size", maximumSize);
	serializer.Write("Minimum point sprite size", minimumSize);
	serializer.Write("Threshold", threshold);
	serializer.Write("Blend Source Format", blendSourceText);
	serializer.Write("Blend Destination Format", blendDestinationText);
	serializer.Write("Internally sort the particles", sortParticles);
	for (const auto& [groupId, blend] : groupBlends)
	{
		serializer.Write("group ID", blend.groupName);
		serializer.Write("group blend source format", blend.sourceName);
		serializer.Write("group blend destination format", blend.destinationName);
	}
	return true;
}

bool PointSprite::Start()
{
	blendSource = ResolveBlendFactor(blendSourceText, *owner);
	blendDestination = ResolveBlendFactor(blendDestinationText, *owner);
	for (auto& [groupId, blend] : groupBlends)
	{
		blend.source = ResolveBlendFactor(blend.sourceName, *owner);
		blend.destination = ResolveBlendFactor(blend.destinationName, *owner);
	}
	eyeDistance = 0.0f;
	transform = owner->GetComponent<Transform>();
	renderEntry.component = this;
	renderEntry.owner = owner;
	renderEntry.kind = kMeasuredEntry;
	renderEntry.predicate = &PointSprite::MeasureEyeDistance;
	if (Graphics* graphics = Graphics::Find())
	{
		graphics->PointSprites().PushBack(this);
		graphics->RenderEntries().PushBack(&renderEntry);
	}
	return true;
}

Tuple3f PointSprite::EyePosition()
{
	const Graphics* graphics = Graphics::Find();
	return graphics != nullptr ? graphics->GetEyePosition() : Tuple3f();
}

bool PointSprite::MeasureEyeDistance(const Component* component)
{
	// The renderer hands back the sprite that registered the entry.
	PointSprite& sprite = *const_cast<PointSprite*>(static_cast<const PointSprite*>(component));
	if (sprite.transform != nullptr)
		sprite.eyeDistance = static_cast<float>((sprite.transform->GetWorldPosition() - EyePosition()).LengthSquared());
	return false;
}

unsigned PointSprite::GetGroupId(const std::string& groupName)
{
	const auto found = groupIds.find(groupName);
	if (found != groupIds.end())
		return found->second;
	const unsigned id = groupIds.size();
	groupIds[groupName] = id;
	return id;
}

void PointSprite::ClearGroup(unsigned groupId)
{
	for (SpriteGroup& spriteGroup : spriteGroupStore)
	{
		if (spriteGroup.group != groupId)
			continue;
		spriteGroup.positions.clear();
		spriteGroup.colors.clear();
		spriteGroup.sizes.clear();
	}
}

void PointSprite::AddPoint(unsigned textureIndex, const Tuple3f& position, const Tuple4f& colour, float size)
{
	const unsigned key = TextureKey(currentGroup, textureIndex);
	const float distance = sortParticles ? static_cast<float>((position - EyePosition()).LengthSquared()) : FLT_MAX;
	const bool nearEye = eyeDistance > distance;
	const GroupID id{currentGroup, key, nearEye};
	auto found = spriteGroups.find(id);
	if (found == spriteGroups.end())
	{
		SpriteGroup& made = spriteGroupStore.emplace_back();
		made.group = currentGroup;
		made.key = key;
		found = spriteGroups.insert({id, &made}).first;
		FindOrMakeDepthGroup(DepthGroupID{currentGroup, nearEye}).spriteGroups.push_back(&made);
	}
	SpriteGroup& spriteGroup = *found->second;
	spriteGroup.positions.push_back(position);
	spriteGroup.colors.push_back(colour);
	spriteGroup.sizes.emplace_back(size, 0.0f, 0.0f);
	if (!sortParticles)
		return;
	DepthGroup& depthGroup = *depthGroups.find(DepthGroupID{currentGroup, nearEye})->second;
	if (nearEye ? distance < depthGroup.distance : distance > depthGroup.distance)
		depthGroup.distance = distance;
}

PointSprite::DepthGroup& PointSprite::FindOrMakeDepthGroup(const DepthGroupID& id)
{
	const auto found = depthGroups.find(id);
	if (found != depthGroups.end())
		return *found->second;
	DepthGroup& made = depthGroupStore.emplace_back();
	made.distance = eyeDistance;
	made.group = id.group;
	depthGroupList.PushBack(&made);
	depthGroups.insert({id, &made});
	return made;
}

void PointSprite::AddTexture(const std::string& groupName, unsigned textureIndex, const std::string& fileName)
{
	TextureHandle& handle = textures[TextureKey(GetGroupId(groupName), textureIndex)];
	ReleaseMedia(handle.texture);
	handle.fileName = fileName;
	handle.texture = GetTexture(fileName, GL_RGBA, false);
}

bool PointSprite::Update()
{
	glPointSize(baseSize);
	const GLfloat attenuation[3] = {distanceAttenuation.x, distanceAttenuation.y, distanceAttenuation.z};
	glPointParameterfv(GL_POINT_DISTANCE_ATTENUATION, attenuation);
	glPointParameterf(GL_POINT_FADE_THRESHOLD_SIZE, threshold);
	glPointParameterf(GL_POINT_SIZE_MIN, minimumSize);
	glPointParameterf(GL_POINT_SIZE_MAX, maximumSize);
	glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, GL_TRUE);
	glEnable(GL_POINT_SPRITE);
	glEnableClientState(GL_VERTEX_ARRAY);
	glEnableClientState(GL_NORMAL_ARRAY);
	glEnableClientState(GL_COLOR_ARRAY);
	glActiveTexture(GL_TEXTURE0);
	glDisable(GL_TEXTURE_2D);
	BoundTextures.diffuse = 0;
	glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
	if (sortParticles)
		SortDepthGroups();
	depthGroupList.ForEach([this](DepthGroup* depthGroup) { DrawDepthGroup(*depthGroup); });
	glDisableClientState(GL_COLOR_ARRAY);
	glDisableClientState(GL_NORMAL_ARRAY);
	glDisableClientState(GL_VERTEX_ARRAY);
	glDisable(GL_VERTEX_PROGRAM_POINT_SIZE);
	glDisable(GL_POINT_SPRITE);
	return true;
}

void PointSprite::SortDepthGroups()
{
	SortLargestFirst(depthGroupList, sortScratch, [](const DepthGroup* group) { return group->distance; });
}

void PointSprite::DrawDepthGroup(const DepthGroup& depthGroup)
{
	const GroupBlend* blend = FindGroupBlend(depthGroup.group);
	glBlendFunc(blend != nullptr ? blend->source : blendSource, blend != nullptr ? blend->destination : blendDestination);
	for (const SpriteGroup* spriteGroup : depthGroup.spriteGroups)
	{
		if (spriteGroup->positions.empty())
			continue;
		// A key no texture was added for binds texture 0, so its points draw untextured.
		const TextureHandle* handle = FindTexture(spriteGroup->key);
		BindTextureUnit(GL_TEXTURE0, handle != nullptr ? handle->texture : nullptr, 1.0f, 1.0f);
		glVertexPointer(3, GL_FLOAT, 0, spriteGroup->positions.data());
		glNormalPointer(GL_FLOAT, 0, spriteGroup->sizes.data());
		glColorPointer(4, GL_FLOAT, 0, spriteGroup->colors.data());
		glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(spriteGroup->positions.size()));
	}
}

void PointSprite::Release()
{
	for (auto& [key, handle] : textures)
		ReleaseMedia(handle.texture);
}

void PointSprite::Detach()
{
	if (Graphics* graphics = Graphics::Find())
	{
		graphics->PointSprites().Remove(this);
		graphics->RenderEntries().Remove(&renderEntry);
	}
}

void PointSprite::Reload()
{
	for (auto& [key, handle] : textures)
		handle.texture = GetTexture(handle.fileName, GL_RGBA, false);
}

const PointSprite::SpriteGroup* PointSprite::FindSpriteGroup(const GroupID& id) const
{
	const auto found = spriteGroups.find(id);
	return found != spriteGroups.end() ? found->second : nullptr;
}

const PointSprite::GroupBlend* PointSprite::FindGroupBlend(unsigned groupId) const
{
	const auto found = groupBlends.find(groupId);
	return found != groupBlends.end() ? &found->second : nullptr;
}

const PointSprite::TextureHandle* PointSprite::FindTexture(unsigned key) const
{
	const auto found = textures.find(key);
	return found != textures.end() ? &found->second : nullptr;
}
