// A collider for the physics tests: fixed mass data, pieces given by the test, and a count of the
// world-shape refreshes the body asks of it.
#pragma once

#include "Systems/Physics/Collider.h"

#include <vector>

namespace test
{
	// A piece whose ray test answers a fixed parameter.
	class FixedRayPiece : public ConvexGeometry
	{
	public:
		explicit FixedRayPiece(float t) : t(t) {}
		Tuple3f Support(const Tuple3f&) const override { return {}; }
		float RayCast(const Tuple3f&, const Tuple3f&) const override { return t; }
		Tuple3f GetNormal(const Tuple3f&) const override { return {}; }
		Tuple3f GetCentre() const override { return {}; }
		int GetFeature(const Tuple3f&, Tuple3f*) const override { return 0; }

		float t;
	};

	class FakeCollider : public Collider
	{
	public:
		ConvexGeometry* GetGeometry(unsigned index) override { return pieces[index]; }
		const ConvexGeometry* GetGeometry(unsigned index) const override { return pieces[index]; }
		unsigned GetGeometryCount() const override { return static_cast<unsigned>(pieces.size()); }
		void Initialize() override {}
		bool Load(Serializer&) override { return true; }
		bool Save(Serializer&) override { return true; }
		void UpdateTransform() override { ++transformUpdates; }
		void UpdateBounds() override { ++boundsUpdates; }
		void ComputeMass(Matrix4& inverseInertia, float& massOut, Tuple3f& centreOut) override
		{
			inverseInertia = this->inverseInertia;
			massOut = mass;
			centreOut = centre;
		}
		float GetVolume() const override { return 0.0f; }
		Collider* Clone() const override { return new FakeCollider(); }
		void DebugDraw() override {}
		void GetGeometries(const float*, std::vector<ConvexGeometry*>& out) override
		{
			out.insert(out.end(), pieces.begin(), pieces.end());
		}
		std::vector<Tuple3f> GetVertices() const override { return {}; }
		std::vector<IndexTriple> GetIndices() const override { return {}; }

		std::vector<ConvexGeometry*> pieces;
		Matrix4 inverseInertia;
		float mass = 0.0f;
		Tuple3f centre;
		int transformUpdates = 0;
		int boundsUpdates = 0;
	};
}
