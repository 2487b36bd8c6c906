// Logic: the engine system that owns the game's behaviour. It registers the gameplay component
// types and the behaviour-node types, keeps the set of objects that carry a logic component and
// updates their components once a frame in one fixed type order (the object that joined last
// first), obeys "Pause", and owns the navigation settings and the navigation mesh. It is the third
// system of the engine: its update runs after input and before physics and rendering.
#pragma once

#include "Message.h"
#include "System.h"
#include "Systems/Logic/NavMeshBuild.h"
#include "Systems/Logic/ObstacleSet.h"
#include "Systems/Logic/PathQuery.h"
#include "Utilities/HashSet.h"
#include "Utilities/PausableClock.h"
#include "Utilities/PauseHolds.h"

#include <recastnavigation/Recast.h>

#include <memory>
#include <utility>
#include <vector>

class Collider;
class Component;
class Composition;
class dtQueryFilter;
class RescaleDeferral;

struct __LogicName
{
	static constexpr const char* name = "Logic";
};

class Logic : public SystemBase<Logic, __LogicName>
{
public:
	Logic();
	~Logic() override;

	// Reads the navigation and path settings of the "Logic" element; a value Recast cannot take
	// falls back to its default with one diagnostic naming the key.
	void LoadConfig(Config& section) override;
	// Once, when the engine adds the system: the node and component types, the handlers.
	void Initialize() override;
	// The tile cache's rebuilds (also while paused), the logic components of every logic object
	// (unless paused), then the nav-mesh display.
	void Update() override;
	void Shutdown() override;
	// A level change keeps the types, the behaviour registry and the settings: only the level's
	// state goes.
	void Reload() override { UnloadLevel(); }
	// Forgets the level's logic objects, house owners, obstacles and cached tiles.
	void UnloadLevel();

	bool IsLogicObject(unsigned objectId) const;
	// Objects that carry an AvailableObjects component; the component enters its owner itself.
	tw::hash_set<unsigned>& GetAvailableObjectOwners() { return availableObjectOwners; }
	void UnregisterAvailableObjects(Component& component);
	// Records the pieces of every house in the running engine's Logic system.
	static void BuildHouseBlackboards();

	// The logic objects in update order: the one that joined last first.
	std::vector<unsigned> GetLogicObjects() const;
	const rcConfig& GetNavMeshConfig() const { return navMeshConfig; }
	// Always odd.
	int GetPathSmoothing() const { return pathSmoothing; }
	float GetPathCurveRadius() const { return pathCurveRadius; }
	const dtQueryFilter* GetQueryFilter() const { return queryFilter.get(); }
	bool IsPaused() const { return pauses.Any(); }
	// Milliseconds of the frame timer's game time, standing still while logic is paused (the
	// running engine's Logic system; the game time alone without one).
	static std::uint32_t GameMilliseconds();
	bool IsDrawingNavMesh() const { return drawNavMesh; }
	// The level's navigation: empty pointers until a level with static geometry has loaded.
	const Navigation& GetNavigation() const { return navigation; }
	const ObstacleSet& GetObstacles() const { return obstacles; }
	// Smoothing, curve radius and the agent's size in world units.
	PathSettings GetPathSettings() const;
	// The points picked with "SetStartNavPoint" and "SetEndNavPoint", for debugging paths by hand.
	const Tuple3f& GetDebugStartPoint() const { return debugStartPoint; }
	const Tuple3f& GetDebugEndPoint() const { return debugEndPoint; }

private:
	void OnPause(Message::Reader reader);
	void OnPauseLogic(Message::Reader reader);
	void OnObjectCreated(Message::Reader reader);
	void OnObjectDestroyed(Message::Reader reader);
	void OnComponentAdded(Message::Reader reader);
	void OnComponentRemoved(Message::Reader reader);
	void OnToggleNavMesh(Message::Reader reader);
	// "GeneratePath": start, end, then optional std::vector<Tuple3f>* (appended to), bool* (the
	// end is reached) and Tuple3f* (the last point), answered before the send returns.
	void OnGeneratePath(Message::Reader reader);
	void OnSetStartNavPoint(Message::Reader reader);
	void OnSetEndNavPoint(Message::Reader reader);
	void OnLevelLoaded(Message::Reader reader);
	void OnAddObstacle(Message::Reader reader);
	void OnRemoveObstacle(Message::Reader reader);
	// Queues the tiles the id's obstacle was recorded in and forgets it.
	void RemoveObstacle(unsigned objectId);
	// The collider of a body that can stand in the way: a Body with a collider that is not static.
	static const Collider* ObstacleCollider(unsigned objectId);

	void UpdateComponents();
	void DrawNavMesh() const;
	void Join(unsigned objectId);
	void Leave(unsigned objectId);
	// Appends the object's components of the updated types, in update order, as its row.
	void AppendRow(unsigned objectId);
	// Every row anew: some object gained or lost a component since they were filled.
	void RefreshRows();
	// The calls of a pass in their order, from the rows; the rows first when they are stale.
	void BuildPassOrder();
	// The rest of a pass, from the object index and slot, after an update changed some object's
	// components: the rows are checked before every call.
	void UpdateRowsFrom(std::size_t index, std::size_t slot, RescaleDeferral& deferral);
	bool HasLogicComponent(const Composition& object) const;

	rcConfig navMeshConfig{};
	int pathSmoothing = 5;
	float pathCurveRadius = 1.0f;
	Navigation navigation;
	std::unique_ptr<dtQueryFilter> queryFilter;
	ObstacleSet obstacles;
	PathQuery pathQuery;
	Tuple3f debugStartPoint;
	Tuple3f debugEndPoint;

	// In the order they joined; the same ids as logicObjectIds.
	std::vector<unsigned> logicObjects;
	// The rows of the logic objects, one after the other in the order they joined: object i's
	// components are rows[rowStarts[i]] up to rows[rowStarts[i + 1]].
	std::vector<Component*> rows;
	std::vector<std::size_t> rowStarts{0};
	// Every component a pass calls, in call order (the object that joined last first), and the
	// (object index, slot) of each, to go on from there when an update changed the rows.
	std::vector<Component*> passOrder;
	std::vector<std::pair<std::size_t, std::size_t>> passPositions;
	// An object joined or left since passOrder was built.
	bool passOrderStale = false;
	tw::hash_set<unsigned> logicObjectIds;
	tw::hash_set<unsigned> logicComponentTypes;
	tw::hash_set<unsigned> availableObjectOwners;
	std::vector<unsigned> updateTypeIds;
	// The object store's component epoch when the rows were last filled.
	unsigned rowsEpoch = 0;
	PauseHolds pauses;
	PausableClock gameClock;
	bool drawNavMesh = false;
};
