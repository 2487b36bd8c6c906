#include "Systems/Logic/Logic.h"

#include "Component.h"
#include "Components/Logic/AvailableObjects.h"
#include "Components/Logic/CameraAim.h"
#include "Components/Physics/Body.h"
#include "Composition.h"
#include "Engine.h"
#include "FrameTimer.h"
#include "Object.h"
#include "ObjectStore.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Systems/Logic/LogicTypes.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Config.h"
#include "Utilities/DebugDraw.h"
#include "Utilities/Diagnostics.h"

#include <recastnavigation/DetourNavMesh.h>
#include <recastnavigation/DetourNavMeshQuery.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace
{
	// An update may rescale a body that the next component reads: the body is brought up to date
	// between the two.
	void UpdateAndSettle(Component& component, RescaleDeferral& deferral)
	{
		component.Update();
		deferral.SettleAfterUpdate();
	}

	PendingRescales* WorldRescales()
	{
		Physics* physics = Physics::Instance();
		return physics != nullptr ? &physics->GetRescales() : nullptr;
	}

	constexpr float kCellSize = 0.25f;
	constexpr float kCellHeight = 0.5f;
	constexpr float kTileSize = 32.0f;
	constexpr int kMaxVertsPerPoly = 3;
	constexpr float kMinRegionArea = 64.0f;
	constexpr float kMergeRegionArea = 400.0f;
	// Recast's polygons hold at most this many vertices.
	constexpr int kRecastMaxVertsPerPoly = 6;
	// Below this many cells a detail sample distance is not worth sampling.
	constexpr float kMinSampleDistance = 0.9f;
	constexpr float kNavMeshLineWidth = 2.0f;

	int Read(Config& section, const char* key, int defaultValue)
	{
		return section.GetInt(key, defaultValue);
	}

	float Read(Config& section, const char* key, float defaultValue)
	{
		return section.GetFloat(key, defaultValue);
	}

	// A setting of the "Logic" element that is finite and passes the check, else the default with
	// one diagnostic naming the key.
	template <class T, class Check>
	T Setting(Config& section, const char* key, T defaultValue, const char* requirement, Check check)
	{
		const T value = Read(section, key, defaultValue);
		if (std::isfinite(static_cast<double>(value)) && check(value))
			return value;
		std::ostringstream line;
		line << "Logic configuration: \"" << key << "\" " << value << " cannot be used (" << requirement << "); the default "
			 << defaultValue << " is used";
		tw::Diagnostics::Report(line.str());
		return defaultValue;
	}

	template <class T>
	T Setting(Config& section, const char* key, T defaultValue)
	{
		return Setting(section, key, defaultValue, "it must be a finite number", [](T) { return true; });
	}

	// No level is a million cells across; the bound keeps the border and tile sums within int.
	constexpr double kMaxCells = 1 << 20;

	// A whole number of cells.
	int Cells(double cells)
	{
		return static_cast<int>(std::clamp(cells, -kMaxCells, kMaxCells));
	}

	// In single precision, before any rounding to whole cells.
	float Quotient(float value, float cellSize)
	{
		return value / cellSize;
	}
}

Logic::Logic() = default;

Logic::~Logic() = default;

void Logic::LoadConfig(Config& section)
{
	const auto positive = [](float value) { return value > 0.0f; };
	const auto notNegative = [](float value) { return value >= 0.0f; };
	pathSmoothing = Setting(section, "PathSmoothing", 5) | 1;
	pathCurveRadius = Setting(section, "PathCurveRadius", 1.0f);
	rcConfig& config = navMeshConfig;
	config = rcConfig{};
	const float cs = config.cs = Setting(section, "CellSize", kCellSize, "it must be above 0", positive);
	const float ch = config.ch = Setting(section, "CellHeight", kCellHeight, "it must be above 0", positive);
	// A negative border reaches the region build and crashes it; a negative height, climb or radius
	// leaves no walkable span, and no ceiling at all lets the first path query search for ever.
	config.walkableSlopeAngle = Setting(section, "MaxWalkableSlope", 30.0f, "it must be 0 to 90 degrees",
		[](float value) { return value >= 0.0f && value <= 90.0f; });
	config.walkableHeight =
		Cells(std::ceil(Quotient(Setting(section, "MinCeilingHeight", 1.7f, "it must be above 0", positive), ch)));
	config.walkableClimb =
		Cells(std::floor(Quotient(Setting(section, "MinClimbableHeight", 0.9f, "it must not be negative", notNegative), ch)));
	config.walkableRadius =
		Cells(std::ceil(Quotient(Setting(section, "MinAgentRadius", 1.25f, "it must not be negative", notNegative), cs)));
	config.maxEdgeLen = Cells(Quotient(Setting(section, "MaxNavPolyEdgeLen", 12.0f), cs));
	config.maxSimplificationError = Setting(section, "MaxEdgeError", 1.3f);
	config.minRegionArea = Cells(Setting(section, "MinRegionArea", kMinRegionArea, "it must not be negative", notNegative));
	config.mergeRegionArea =
		Cells(Setting(section, "MergeRegionArea", kMergeRegionArea, "it must not be negative", notNegative));
	config.maxVertsPerPoly = Setting(section, "MaxVertsPerNavPoly", kMaxVertsPerPoly, "it must be 3 to 6",
		[](int value) { return value >= 3 && value <= kRecastMaxVertsPerPoly; });
	config.tileSize = Cells(Setting(section, "TileSize", kTileSize, "it must be at least 1", [](float value) { return value >= 1.0f; }));
	config.borderSize = config.walkableRadius + 3;
	config.width = config.height = config.tileSize + 2 * config.borderSize;
	const float sampleDistance = Setting(section, "SampleDistance", 6.0f);
	config.detailSampleDist = sampleDistance < kMinSampleDistance ? 0.0f : cs * sampleDistance;
	config.detailSampleMaxError = cs * Setting(section, "MaxSampleError", 1.0f);
	// The obstacles first: they leave the obstacle lists of the tiles they are in.
	obstacles.Clear();
	navigation = Navigation{};
}

void Logic::Initialize()
{
	pauses.Clear();
	gameClock.SetHeld(false, FrameTimer::Instance().GameMilliseconds());
	drawNavMesh = false;
	queryFilter = std::make_unique<dtQueryFilter>();
	RegisterLogicBehaviors();
	for (const LogicComponentType& type : LogicRegistrationOrder())
	{
		logicComponentTypes.insert(type.typeId());
		type.registerType();
	}
	updateTypeIds.clear();
	for (unsigned (*typeId)() : LogicUpdateOrder())
		updateTypeIds.push_back(typeId());
	// The houses are recorded by Physics, once its stages have filed the level's colliders: this
	// system's own "LevelLoaded" runs before that.
	Physics::SetLevelLoadedHook(&Logic::BuildHouseBlackboards);
	RegisterHandler("Pause", &Logic::OnPause);
	// The level editor pauses logic alone with "PauseLogic".
	RegisterHandler("PauseLogic", &Logic::OnPauseLogic);
	RegisterHandler("LevelLoaded", &Logic::OnLevelLoaded);
	RegisterHandler("AddObstacle", &Logic::OnAddObstacle);
	RegisterHandler("RemoveObstacle", &Logic::OnRemoveObstacle);
	RegisterHandler("ObjectCreated", &Logic::OnObjectCreated);
	RegisterHandler("ObjectDestroyed", &Logic::OnObjectDestroyed);
	RegisterHandler("ComponentAdded", &Logic::OnComponentAdded);
	RegisterHandler("ComponentRemoved", &Logic::OnComponentRemoved);
	RegisterHandler("ToggleNavMesh", &Logic::OnToggleNavMesh);
	RegisterHandler("GeneratePath", &Logic::OnGeneratePath);
	RegisterHandler("SetStartNavPoint", &Logic::OnSetStartNavPoint);
	RegisterHandler("SetEndNavPoint", &Logic::OnSetEndNavPoint);
}

void Logic::Update()
{
	if (navigation.tileCache != nullptr && navigation.navMesh != nullptr)
		navigation.tileCache->Update(*navigation.navMesh);
	if (!pauses.Any())
		UpdateComponents();
	if (drawNavMesh)
		DrawNavMesh();
}

void Logic::UpdateComponents()
{
	const unsigned& epoch = ObjectStore::Instance().ComponentEpoch();
	if (epoch != rowsEpoch || passOrderStale)
		BuildPassOrder();
	// Nothing changes passOrder during the pass: objects that join are not in it (they are first
	// updated next frame), and leaving waits for the end of the frame.
	const unsigned filledAt = rowsEpoch;
	RescaleDeferral deferral(WorldRescales());
	Component* const* calls = passOrder.data();
	const std::size_t callCount = passOrder.size();
	for (std::size_t call = 0; call < callCount; ++call)
	{
		// An update may add or replace components of any object: a component may have gone.
		if (epoch != filledAt)
		{
			UpdateRowsFrom(passPositions[call].first, passPositions[call].second, deferral);
			return;
		}
		UpdateAndSettle(*calls[call], deferral);
	}
}

void Logic::UpdateRowsFrom(std::size_t index, std::size_t slot, RescaleDeferral& deferral)
{
	const unsigned& epoch = ObjectStore::Instance().ComponentEpoch();
	for (++index; index-- > 0; slot = 0)
		for (;; ++slot)
		{
			if (epoch != rowsEpoch)
				RefreshRows();
			if (index + 1 >= rowStarts.size() || rowStarts[index] + slot >= rowStarts[index + 1])
				break;
			UpdateAndSettle(*rows[rowStarts[index] + slot], deferral);
		}
	passOrderStale = true;
}

void Logic::BuildPassOrder()
{
	if (ObjectStore::Instance().ComponentEpoch() != rowsEpoch)
		RefreshRows();
	passOrder.clear();
	passPositions.clear();
	for (std::size_t index = logicObjects.size(); index-- > 0;)
		for (std::size_t at = rowStarts[index]; at < rowStarts[index + 1]; ++at)
		{
			passOrder.push_back(rows[at]);
			passPositions.emplace_back(index, at - rowStarts[index]);
		}
	passOrderStale = false;
}

void Logic::RefreshRows()
{
	rowsEpoch = ObjectStore::Instance().ComponentEpoch();
	rows.clear();
	rowStarts.resize(1);
	for (unsigned objectId : logicObjects)
		AppendRow(objectId);
}

void Logic::AppendRow(unsigned objectId)
{
	// Never asked of the "Dummy" object, which would hand out the prototypes.
	const Object object = ObjectFromId(objectId);
	if (!object.IsDummy())
		for (unsigned typeId : updateTypeIds)
			if (Component* component = object.object->GetComponent(typeId))
				rows.push_back(component);
	rowStarts.push_back(rows.size());
}

void Logic::DrawNavMesh() const
{
	if (navigation.navMesh == nullptr)
		return;
	const Tuple4f green(0.0f, 1.0f, 0.0f, 1.0f);
	const dtNavMesh& mesh = *navigation.navMesh;
	for (int x = 0; x < navigation.tilesX; ++x)
		for (int z = 0; z < navigation.tilesZ; ++z)
		{
			const dtMeshTile* tile = mesh.getTileAt(x, z, 0);
			if (tile == nullptr || tile->header == nullptr)
				continue;
			for (int polygon = 0; polygon < tile->header->polyCount; ++polygon)
			{
				const dtPoly& poly = tile->polys[polygon];
				if (poly.vertCount < 3)
					continue;
				// The nav polygons are triangles: the first three vertices are the polygon.
				const auto vertex = [&](int corner) {
					const float* at = &tile->verts[poly.verts[corner] * 3];
					return Tuple3f(at[0], at[1], at[2]);
				};
				for (int corner = 0; corner < 3; ++corner)
					DebugDraw::DrawLine(vertex(corner), vertex((corner + 1) % 3), kNavMeshLineWidth, green);
			}
		}
}

void Logic::Shutdown()
{
	obstacles.Clear();
	queryFilter.reset();
	navigation = Navigation{};
	ClearBehaviorRegistry();
	availableObjectOwners.clear();
	Physics::SetLevelLoadedHook(nullptr);
}

void Logic::UnloadLevel()
{
	logicObjects.clear();
	rows.clear();
	rowStarts.resize(1);
	passOrderStale = true;
	logicObjectIds.clear();
	availableObjectOwners.clear();
	// The obstacles first: they leave the obstacle lists of the tiles they are in.
	obstacles.Clear();
	if (navigation.tileCache != nullptr)
		navigation.tileCache->Clear();
}

void Logic::BuildHouseBlackboards()
{
	const Engine* engine = Engine::Instance();
	Logic* logic = engine != nullptr ? engine->GetSystem<Logic>() : nullptr;
	if (logic == nullptr)
		return;
	// Every house, not only the one started last: the others would stay unrebuildable.
	for (unsigned ownerId : logic->availableObjectOwners)
		if (auto* house = static_cast<AvailableObjects*>(FindComponent(ownerId, AvailableObjects::TypeId())))
			house->BuildBlackboard();
}

bool Logic::IsLogicObject(unsigned objectId) const
{
	return logicObjectIds.contains(objectId);
}

void Logic::UnregisterAvailableObjects(Component& component)
{
	if (component.owner != nullptr)
		availableObjectOwners.erase(component.owner->GetId());
}

std::vector<unsigned> Logic::GetLogicObjects() const
{
	return std::vector<unsigned>(logicObjects.rbegin(), logicObjects.rend());
}

bool Logic::HasLogicComponent(const Composition& object) const
{
	const Composition::ComponentTable& components = object.GetComponents();
	return std::any_of(components.begin(), components.end(),
		[this](const auto& entry) { return entry.second != nullptr && logicComponentTypes.contains(entry.first); });
}

void Logic::Join(unsigned objectId)
{
	if (!logicObjectIds.insert(objectId).second)
		return;
	logicObjects.push_back(objectId);
	AppendRow(objectId);
	passOrderStale = true;
}

void Logic::Leave(unsigned objectId)
{
	if (logicObjectIds.erase(objectId) == 0)
		return;
	const auto index = static_cast<std::size_t>(std::find(logicObjects.begin(), logicObjects.end(), objectId) - logicObjects.begin());
	logicObjects.erase(logicObjects.begin() + static_cast<std::ptrdiff_t>(index));
	const std::size_t first = rowStarts[index];
	const std::size_t count = rowStarts[index + 1] - first;
	rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(first), rows.begin() + static_cast<std::ptrdiff_t>(first + count));
	rowStarts.erase(rowStarts.begin() + static_cast<std::ptrdiff_t>(index) + 1);
	for (std::size_t later = index + 1; later < rowStarts.size(); ++later)
		rowStarts[later] -= count;
	passOrderStale = true;
}

void Logic::OnPause(Message::Reader reader)
{
	pauses.Set(PauseHolds::Holder::Game, reader.Read<bool>());
	gameClock.SetHeld(pauses.Any(), FrameTimer::Instance().GameMilliseconds());
}

void Logic::OnPauseLogic(Message::Reader reader)
{
	pauses.Set(PauseHolds::Holder::Editor, reader.Read<bool>());
	gameClock.SetHeld(pauses.Any(), FrameTimer::Instance().GameMilliseconds());
}

std::uint32_t Logic::GameMilliseconds()
{
	const Engine* engine = Engine::Instance();
	const Logic* logic = engine != nullptr ? engine->GetSystem<Logic>() : nullptr;
	const std::uint32_t now = FrameTimer::Instance().GameMilliseconds();
	return logic != nullptr ? logic->gameClock.Read(now) : now;
}

void Logic::OnObjectCreated(Message::Reader reader)
{
	const Object object = ObjectFromId(reader.Read<unsigned>());
	if (!object.IsDummy() && HasLogicComponent(*object.object))
		Join(object.id);
}

void Logic::OnObjectDestroyed(Message::Reader reader)
{
	const auto objectId = reader.Read<unsigned>();
	Leave(objectId);
	// A crate destroyed asleep never wakes: without this its hole would stay for the level.
	RemoveObstacle(objectId);
}

void Logic::OnComponentAdded(Message::Reader reader)
{
	const Object object = ObjectFromId(reader.Read<unsigned>());
	if (!object.IsDummy() && logicComponentTypes.contains(reader.Read<unsigned>()))
		Join(object.id);
}

void Logic::OnComponentRemoved(Message::Reader reader)
{
	const Object object = ObjectFromId(reader.Read<unsigned>());
	if (!object.IsDummy() && !HasLogicComponent(*object.object))
		Leave(object.id);
}

void Logic::OnToggleNavMesh(Message::Reader reader)
{
	if (reader.current == nullptr)
		drawNavMesh = !drawNavMesh;
	else
		reader.Read(drawNavMesh);
}

PathSettings Logic::GetPathSettings() const
{
	const rcConfig& config = navMeshConfig;
	return {pathSmoothing, pathCurveRadius, static_cast<float>(config.walkableRadius) * config.cs,
		static_cast<float>(config.walkableHeight) * config.ch};
}

void Logic::OnGeneratePath(Message::Reader reader)
{
	const auto start = reader.Read<Tuple3f>();
	const auto end = reader.Read<Tuple3f>();
	auto* points = reader.HasMore() ? reader.Read<std::vector<Tuple3f>*>() : nullptr;
	bool* reachesEnd = reader.HasMore() ? reader.Read<bool*>() : nullptr;
	Tuple3f* last = reader.HasMore() ? reader.Read<Tuple3f*>() : nullptr;
	PathQuery::Result result{false, start};
	std::vector<Tuple3f> unused;
	if (navigation.navQuery != nullptr && queryFilter != nullptr)
		pathQuery.Generate(*navigation.navQuery, *queryFilter, GetPathSettings(), start, end, points != nullptr ? *points : unused, result);
	if (reachesEnd != nullptr)
		*reachesEnd = result.reachesEnd;
	if (last != nullptr)
		*last = result.last;
}

void Logic::OnSetStartNavPoint(Message::Reader)
{
	RigidBody* body = nullptr;
	if (const auto aim = CameraAim::Active())
		aim->Cast(body, debugStartPoint);
}

void Logic::OnSetEndNavPoint(Message::Reader)
{
	RigidBody* body = nullptr;
	if (const auto aim = CameraAim::Active())
		aim->Cast(body, debugEndPoint);
}

void Logic::OnLevelLoaded(Message::Reader)
{
	// Each build starts from empty lists: a level's mesh comes from its own static colliders.
	LevelGeometry geometry;
	for (Object object = FirstObject(); !object.IsDummy(); object = NextObject(object))
	{
		if (HasLogicComponent(*object.object))
			Join(object.id);
		const Body* body = object.object->GetComponent<Body>();
		const Collider* collider = body != nullptr ? body->GetCollider() : nullptr;
		if (collider != nullptr && collider->isStatic)
			geometry.Append(collider->GetVertices(), collider->GetIndices(), object.GetName());
	}
	obstacles.Clear();
	// A level without static geometry drops the last level's mesh, so path requests fail rather
	// than follow a mesh of another level.
	navigation = Navigation{};
	if (!geometry.Empty())
		BuildNavMesh(navMeshConfig, geometry, navigation);
}

const Collider* Logic::ObstacleCollider(unsigned objectId)
{
	const Object object = ObjectFromId(objectId);
	if (object.IsDummy())
		return nullptr;
	const Body* body = object.object->GetComponent<Body>();
	if (body == nullptr || body->GetCollider() == nullptr || body->GetBody() == nullptr || body->GetBody()->IsStatic())
		return nullptr;
	return body->GetCollider();
}

void Logic::OnAddObstacle(Message::Reader reader)
{
	const auto objectId = reader.Read<unsigned>();
	NavMeshTileCache* cache = navigation.tileCache.get();
	const Collider* collider = ObstacleCollider(objectId);
	if (cache == nullptr || collider == nullptr || obstacles.Find(objectId) != nullptr)
		return;
	const float* bounds = collider->GetBounds();
	TempObstacle& obstacle = obstacles.Insert(objectId, bounds);
	for (CachedTile* tile : cache->TilesOverlapping(bounds, bounds + 3))
	{
		obstacle.Attach(*tile);
		cache->QueueTile(tile->x, tile->z);
	}
}

void Logic::OnRemoveObstacle(Message::Reader reader)
{
	const auto objectId = reader.Read<unsigned>();
	// The body may have moved since it fell asleep: the tiles it covers now are rebuilt too.
	if (const Collider* collider = ObstacleCollider(objectId); collider != nullptr && navigation.tileCache != nullptr)
	{
		const float* bounds = collider->GetBounds();
		for (const CachedTile* tile : navigation.tileCache->TilesOverlapping(bounds, bounds + 3))
			navigation.tileCache->QueueTile(tile->x, tile->z);
	}
	RemoveObstacle(objectId);
}

void Logic::RemoveObstacle(unsigned objectId)
{
	const TempObstacle* obstacle = obstacles.Find(objectId);
	if (obstacle == nullptr)
		return;
	if (navigation.tileCache != nullptr)
		for (const CachedTile* tile : obstacle->tiles)
			navigation.tileCache->QueueTile(tile->x, tile->z);
	obstacles.Remove(objectId);
}
