// Levels for the navigation tests: flat floors of triangle quads, and a navigation built from them.
#pragma once

#include "Systems/Logic/Logic.h"
#include "Systems/Logic/NavBuildContext.h"
#include "Systems/Logic/NavMeshBuild.h"
#include "Systems/Logic/NavTestConfig.h"
#include "Systems/Physics/FakeCollider.h"

#include <recastnavigation/DetourNavMesh.h>
#include <recastnavigation/DetourNavMeshQuery.h>

#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <functional>
#include <string>
#include <vector>

namespace test
{
	// A floor at height y from (x0, z0) to (x1, z1) of quads of the given side, two triangles each.
	inline void AddFloor(std::vector<Tuple3f>& vertices, std::vector<IndexTriple>& triangles, float x0, float z0, float x1, float z1,
		float y = 0.0f, float side = 4.0f)
	{
		for (float x = x0; x < x1; x += side)
			for (float z = z0; z < z1; z += side)
			{
				const auto first = static_cast<unsigned>(vertices.size());
				const float xe = std::min(x + side, x1);
				const float ze = std::min(z + side, z1);
				vertices.insert(vertices.end(), {Tuple3f(x, y, z), Tuple3f(x, y, ze), Tuple3f(xe, y, ze), Tuple3f(xe, y, z)});
				triangles.push_back({first, first + 1, first + 2});
				triangles.push_back({first, first + 2, first + 3});
			}
	}

	inline LevelGeometry Floor(float x1, float z1, float side = 4.0f)
	{
		std::vector<Tuple3f> vertices;
		std::vector<IndexTriple> triangles;
		AddFloor(vertices, triangles, 0.0f, 0.0f, x1, z1, 0.0f, side);
		LevelGeometry geometry;
		geometry.Append(vertices, triangles, "Floor");
		return geometry;
	}

	// What the action reports through tw::Diagnostics.
	inline std::string Reported(const std::function<void()>& action)
	{
		tw::Diagnostics::Flush();
		testing::internal::CaptureStderr();
		action();
		tw::Diagnostics::Flush();
		return testing::internal::GetCapturedStderr();
	}

	// The tiles the mesh holds.
	inline int MeshTileCount(const dtNavMesh& mesh)
	{
		int count = 0;
		for (int i = 0; i < mesh.getMaxTiles(); ++i)
		{
			const dtMeshTile* tile = mesh.getTile(i);
			count += tile != nullptr && tile->header != nullptr ? 1 : 0;
		}
		return count;
	}

	// The straight path between two points of the mesh; empty when no whole path was found.
	inline std::vector<Tuple3f> StraightPath(const Navigation& navigation, const Tuple3f& from, const Tuple3f& to)
	{
		if (navigation.navQuery == nullptr)
			return {};
		dtNavMeshQuery& query = *navigation.navQuery;
		const dtQueryFilter filter;
		const float extents[3] = {1.0f, 2.0f, 1.0f};
		dtPolyRef start = 0;
		dtPolyRef end = 0;
		float startPoint[3];
		float endPoint[3];
		query.findNearestPoly(&from.x, extents, &filter, &start, startPoint);
		query.findNearestPoly(&to.x, extents, &filter, &end, endPoint);
		if (start == 0 || end == 0)
			return {};
		dtPolyRef polys[256];
		int polyCount = 0;
		const dtStatus status = query.findPath(start, end, startPoint, endPoint, &filter, polys, &polyCount, 256);
		if (dtStatusFailed(status) || (status & DT_PARTIAL_RESULT) != 0 || polyCount == 0)
			return {};
		float straight[3 * 256];
		int pointCount = 0;
		query.findStraightPath(startPoint, endPoint, polys, polyCount, straight, nullptr, nullptr, &pointCount, 256);
		std::vector<Tuple3f> points;
		for (int i = 0; i < pointCount; ++i)
			points.emplace_back(straight[3 * i], straight[3 * i + 1], straight[3 * i + 2]);
		return points;
	}

	// A static collider holding the triangles of the floor the test sets; its bounds are the test's.
	class FloorCollider : public FakeCollider
	{
	public:
		Collider* Clone() const override { return new FloorCollider(); }
		void Initialize() override { isStatic = true; }
		std::vector<Tuple3f> GetVertices() const override { return Shape().first; }
		std::vector<IndexTriple> GetIndices() const override { return Shape().second; }

		static std::pair<std::vector<Tuple3f>, std::vector<IndexTriple>>& Shape()
		{
			static std::pair<std::vector<Tuple3f>, std::vector<IndexTriple>> shape;
			return shape;
		}
	};
}

#include "Components/Logic/PathMovement.h"
#include "Components/QuietComponent.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Physics/DetectionManager.h"

namespace test
{
	struct __StrideName
	{
		static constexpr const char* name = "Stride";
	};

	// Keeps the last "SetVelocity" of a character without a body: the test moves it by that.
	class Stride : public QuietComponent<Stride, __StrideName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("SetVelocity", &Stride::OnSetVelocity);
			return true;
		}
		Tuple3f velocity;

	private:
		void OnSetVelocity(Message::Reader reader) { reader.Read(velocity); }
	};

	// The harness with a static floor object from (0, 0) to (x1, z1) and crates whose bounds the test
	// sets; "LevelLoaded" builds the navigation.
	class NavWorld : public GameWorld
	{
	public:
		NavWorld() { RegisterColliderPrototype("NavFloor", std::make_unique<FloorCollider>()); }

		Object AddFloorObject(float x1, float z1, float x0 = 0.0f, float z0 = 0.0f)
		{
			return AddFloorObject({{x0, z0, x1, z1}});
		}

		// One floor object of the rectangles {x0, z0, x1, z1}.
		Object AddFloorObject(std::initializer_list<std::array<float, 4>> rectangles)
		{
			auto& [vertices, triangles] = FloorCollider::Shape();
			vertices.clear();
			triangles.clear();
			for (const auto& [x0, z0, x1, z1] : rectangles)
				AddFloor(vertices, triangles, x0, z0, x1, z1);
			return AddBodyObject("Ground", Tuple3f(0, 0, 0), true, BodyValues("DEFAULT", "NavFloor"));
		}

		// The points "GeneratePath" appends to the given ones; reached and last as it answers them.
		static std::vector<Tuple3f> Path(const Tuple3f& from, const Tuple3f& to, bool* reached = nullptr, Tuple3f* last = nullptr,
			std::vector<Tuple3f> points = {})
		{
			Engine::SendMessage(Message("GeneratePath").Push(from).Push(to).Push(&points).Push(reached).Push(last));
			return points;
		}

		// A dynamic body whose collider covers the box.
		Object AddCrate(const Tuple3f& low, const Tuple3f& high)
		{
			const Object crate = AddBodyObject("Crate", (low + high) * 0.5f);
			SetBounds(crate, low, high);
			return crate;
		}

		static void SetBounds(const Object& object, const Tuple3f& low, const Tuple3f& high)
		{
			float* bounds = BodyOf(object).GetCollider()->bounds;
			for (int axis = 0; axis < 3; ++axis)
			{
				bounds[axis] = low[axis];
				bounds[axis + 3] = high[axis];
			}
		}

		// A started character at the position with a PathMovement loaded from the values (speed,
		// regenTime) and a Stride.
		static Object AddWalker(const Tuple3f& position, const std::string& values = "<float>4</float><float>1</float>")
		{
			Stride::Register();
			const Object walker = CreateObject("Walker");
			walker.object->AddComponent(Transform::TypeId());
			walker.object->GetComponent<Transform>()->SetWorldPosition(position);
			walker.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			AddLoaded(walker, PathMovement::TypeId(), values);
			walker.object->AddComponent(Stride::TypeId());
			walker.object->Start();
			return walker;
		}

		// Frames in each of which the walker moves by its last velocity.
		void Walk(const Object& walker, unsigned frames)
		{
			Transform& transform = *walker.object->GetComponent<Transform>();
			for (unsigned frame = 0; frame < frames; ++frame)
			{
				Frame();
				transform.SetWorldPosition(transform.GetWorldPosition() + walker.object->GetComponent<Stride>()->velocity * 0.016f);
			}
		}

		void LevelLoaded() { Engine::SendMessage(Message("LevelLoaded")); }
		const Navigation& Nav() const { return logic->GetNavigation(); }

		// Frames until the tile cache has nothing queued (a bounded number).
		void RebuildQueued()
		{
			for (int frame = 0; frame < 100 && Nav().tileCache != nullptr && Nav().tileCache->GetQueueLength() > 0; ++frame)
				Frame();
		}

		// The nearest walkable point within a few units; far away without any.
		Tuple3f NearestOnMesh(const Tuple3f& position) const
		{
			const dtQueryFilter filter;
			const float extents[3] = {4.0f, 4.0f, 4.0f};
			dtPolyRef ref = 0;
			float point[3] = {1e6f, 1e6f, 1e6f};
			Nav().navQuery->findNearestPoly(&position.x, extents, &filter, &ref, point);
			return Tuple3f(point[0], point[1], point[2]);
		}

		// How far, horizontally, the nearest walkable point is from the position; far without any.
		float DistanceToMesh(const Tuple3f& position) const
		{
			const Tuple3f point = NearestOnMesh(position);
			return std::hypot(point.x - position.x, point.z - position.z);
		}
	};
}
