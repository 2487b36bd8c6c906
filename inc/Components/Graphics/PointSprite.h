// PointSprite: draws the particles of its object as textured OpenGL point sprites. The particle
// code fills it every frame, group by group; the sprite files each point by group, texture and
// (when it sorts) by whether the point lies nearer the eye than the object, and draws the groups
// with their own blend functions, back to front when sorting is on.
#pragma once

#include "Components/Graphics/Texture.h"
#include "Systems/Graphics/RenderEntry.h"
#include "Utilities/HashMap.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class Transform;

struct __PointSpriteName
{
	static constexpr const char* name = "PointSprite";
};

class PointSprite : public ComponentBase<PointSprite, __PointSpriteName, Texture>
{
public:
	// A group's points of one texture on one side of the object.
	struct GroupID
	{
		unsigned group = 0;
		unsigned key = 0;
		bool nearEye = false;
		bool operator==(const GroupID&) const = default;
	};
	struct GroupIDHash
	{
		std::uint32_t operator()(const GroupID& id) const;
	};
	// All of a group's points on one side of the object.
	struct DepthGroupID
	{
		unsigned group = 0;
		bool nearEye = false;
		bool operator==(const DepthGroupID&) const = default;
	};
	struct DepthGroupIDHash
	{
		std::uint32_t operator()(const DepthGroupID& id) const;
	};
	// The points of one GroupID; the three arrays grow together, one element a point.
	struct SpriteGroup
	{
		unsigned group = 0;
		unsigned key = 0;
		std::vector<Tuple3f> positions;
		std::vector<Tuple4f> colors;
		// (size, 0, 0): the vertex program reads the size from the normal.
		std::vector<Tuple3f> sizes;
	};
	struct DepthGroup
	{
		// Squared eye distance, the sort key. It starts at the object's eye distance and only moves
		// towards the group's nearest point (near side) or farthest point (far side).
		float distance = 0.0f;
		unsigned group = 0;
		// In order of creation.
		std::vector<SpriteGroup*> spriteGroups;
		ListLinks<DepthGroup> links;
	};
	struct GroupBlend
	{
		unsigned source = 0;
		unsigned destination = 0;
		std::string sourceName;
		std::string destinationName;
		std::string groupName;
	};
	struct TextureHandle
	{
		TextureEntry* texture = nullptr;
		std::string fileName;
	};
	using DepthGroupList = IntrusiveList<DepthGroup, &DepthGroup::links>;

	PointSprite() = default;
	// The copy takes the settings, group names, blends and textures (without references of its
	// own); its sprite and depth groups start empty, since the particle code fills them anew.
	PointSprite(const PointSprite& other);
	PointSprite& operator=(const PointSprite&) = delete;

	// Attenuation, the four sizes, the two blend names, an optional sort flag, then triples of
	// group name and blend names.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Joins the point-sprite list, resolves the blend names and puts the object on the draw list.
	bool Start() override;
	// Draws every group (with "ParticleShader" bound, blending on and depth writes off). True.
	bool Update() override;
	// Gives back the textures.
	void Release() override;
	void Detach() override;
	// Fetches every texture again by its file name after a device loss.
	void Reload() override;

	// The particle code's calls, each frame: the id of a group name (a new name gets the next id),
	// then ClearGroup and AddPoint under currentGroup.
	unsigned GetGroupId(const std::string& groupName);
	// Empties the points of the group's sprite groups; the groups themselves stay.
	void ClearGroup(unsigned groupId);
	void AddPoint(unsigned textureIndex, const Tuple3f& position, const Tuple4f& colour, float size);
	// The texture of the group's texture index: (group id << 16) + index is its key.
	void AddTexture(const std::string& groupName, unsigned textureIndex, const std::string& fileName);
	static unsigned TextureKey(unsigned groupId, unsigned textureIndex) { return (groupId << 16) + textureIndex; }

	// The render-entry predicate: stores the object's squared eye distance as its sort key and
	// keeps it on the draw list (false).
	static bool MeasureEyeDistance(const Component* component);
	// The squared distance from the eye, by which the frame sorts the sprites far to near.
	float GetSortKey() const { return eyeDistance; }
	void SetSortKey(float key) { eyeDistance = key; }
	const DepthGroupList& GetDepthGroups() const { return depthGroupList; }
	const SpriteGroup* FindSpriteGroup(const GroupID& id) const;
	unsigned GetBlendSource() const { return blendSource; }
	unsigned GetBlendDestination() const { return blendDestination; }
	const GroupBlend* FindGroupBlend(unsigned groupId) const;
	const TextureHandle* FindTexture(unsigned key) const;

	ListLinks<PointSprite> spriteLinks;
	unsigned currentGroup = 0;

private:
	static Tuple3f EyePosition();
	void SortDepthGroups();
	void DrawDepthGroup(const DepthGroup& depthGroup);
	DepthGroup& FindOrMakeDepthGroup(const DepthGroupID& id);

	Tuple3f distanceAttenuation;
	float baseSize = 0.0f;
	float maximumSize = 0.0f;
	float minimumSize = 0.0f;
	std::string blendSourceText;
	std::string blendDestinationText;
	unsigned blendSource = 0;
	unsigned blendDestination = 0;
	float threshold = 0.0f;
	bool sortParticles = false;
	tw::hash_map<std::string, unsigned> groupIds;
	tw::hash_map<unsigned, GroupBlend> groupBlends;
	tw::hash_map<unsigned, TextureHandle> textures;
	// The stores own the groups (a deque keeps their addresses); the maps find them.
	std::deque<SpriteGroup> spriteGroupStore;
	tw::hash_map<GroupID, SpriteGroup*, GroupIDHash> spriteGroups;
	std::deque<DepthGroup> depthGroupStore;
	tw::hash_map<DepthGroupID, DepthGroup*, DepthGroupIDHash> depthGroups;
	DepthGroupList depthGroupList;
	std::vector<DepthGroup*> sortScratch;
	float eyeDistance = 0.0f;
	const Transform* transform = nullptr;
	RenderEntry renderEntry;
};
