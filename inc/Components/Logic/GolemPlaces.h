// GolemPlaces: where the golem's scraps may hang. Every vertex of the golem's mesh is a candidate
// place on its bone; places on the head bone are dropped, and of places closer than the pruning box
// on every axis only the one walked first stays, so that scraps do not pile into one another.
#pragma once

#include "Components/Graphics/ModelData.h"
#include "Components/Physics/GolemPoints.h"
#include "Utilities/Tuple.h"

#include <string>
#include <vector>

class GolemPlaces
{
public:
	using Places = std::vector<GolemPoints::PointDescription>;

	// The vertex format whose 16-byte records are (position, bone index).
	static constexpr unsigned kPlaceFormat = 2;
	static constexpr unsigned kPlaceStride = 16;

	// One place per vertex record in vertex order. A record naming a bone past the skeleton or with
	// a non-finite position is skipped; a mesh of another format gives none. Each kind of fault is
	// reported once per call, naming the model.
	static Places Read(const Model::ModelData& model, const std::string& modelName);

	// Walks the list from the front: a place on headBone is erased (and any left after the walk);
	// every other place erases each place whose position (scaled component-wise by scale) lies in the
	// box of halfExtent about its own, bounds included. Erasing moves the last place into the hole,
	// and the moved place is examined next. Candidates are found through a grid of cells the size of
	// the box, so that a golem of thousands of vertices does not compare every pair.
	static void Prune(Places& places, const std::string& headBone, const Tuple3f& halfExtent, const Tuple3f& scale);
};
