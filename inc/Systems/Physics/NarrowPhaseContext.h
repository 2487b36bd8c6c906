// NarrowPhaseContext: the narrow phase of one physics system. For two convex geometries whose
// bounding spheres touch, TestPair picks the pair test from a table by the two geometry kinds;
// for a pair that overlaps, GenerateContactManifold asks both geometries for the feature facing the
// contact direction, intersects the two features and hands the points, with depths, to the pair's
// manifold. The detection stage owns one and drives it pair by pair.
#pragma once

#include "Systems/Physics/ContactPoint.h"
#include "Systems/Physics/FeatureClipping.h"
#include "Systems/Physics/PairCollide.h"

#include <vector>

class NarrowPhaseContext
{
public:
	// The six kinds of the shape-pair table, and the particle's, which only GJK serves.
	static constexpr int kKindCount = kGeometryParticle + 1;

	// Builds the table.
	NarrowPhaseContext();

	// The test of a cell, row = the smaller kind; null below the diagonal or outside the table.
	PairTest GetPairTest(int smallerKind, int largerKind) const;
	// Runs the table's test for a geometry of the pair's first collider and one of its second,
	// the smaller kind first (the second collider's geometry first when the kinds are equal), and
	// leaves its direction in normal. A kind outside the table goes to GJK and EPA.
	bool TestPair(const ConvexGeometry& firstColliders, const ConvexGeometry& secondColliders);
	// The contacts of an overlapping pair, right after its test, added to the manifold: points on
	// the first geometry, normals from the second towards the first. Adds at least one contact.
	void GenerateContactManifold(const ConvexGeometry& first, const ConvexGeometry& second, ContactReceiver& manifold);
	// Detection's: the pair tests alone keep none.
	void SetContactMargin(float margin) { scratch.contactMargin = margin; }

	SupportFeature featureA;
	SupportFeature featureB;
	std::vector<ClipPoint> clipPoints;
	// The pair test's direction, then as the contact generation corrected it: from the first
	// geometry towards the second.
	Tuple3f normal;
	PairTestScratch scratch;

private:
	void BuildCollisionTable();
	// From the pair test's direction to a usable one pointing from the first centre to the second.
	void CorrectNormal(const Tuple3f& firstCentre, const Tuple3f& secondCentre);

	PairTest pairTests[kKindCount][kKindCount] = {};
};
