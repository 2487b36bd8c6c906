// Primitive meshes: the five unit shapes (plane, cube, sphere, cylinder, cone) generated on the
// CPU with colours, texture coordinates, normals, tangents and binormals, shared through a cache
// keyed by shape and tessellation, and drawn as indexed triangles from buffer objects uploaded on
// their first draw. The primitive components, the lights and the debug drawing all draw through
// here.
#pragma once

#include "Components/Graphics/MediaInfo.h"
#include "Components/Graphics/PrimitiveFacets.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PrimitiveVertex
{
	Tuple3f position;
	Tuple4f colour{1.0f, 1.0f, 1.0f, 1.0f};
	Tuple2f texCoord;
	Tuple3f normal;
	Tuple3f tangent;
	Tuple3f binormal;
	// How many triangles added to the tangent while they are averaged.
	std::uint32_t counter = 0;
};
static_assert(sizeof(PrimitiveVertex) == 76, "the vertex layout of primitive meshes is 76 bytes");

enum PrimitiveShape : int
{
	kPlane = 0,
	kCube = 1,
	kSphere = 2,
	kCylinder = 3,
	kCone = 4,
	// An unknown shape name: an empty mesh.
	kNoShape = 5,
};

struct PrimitiveData
{
	std::vector<PrimitiveVertex> vertices;
	// Three per triangle, counter-clockwise seen from outside.
	std::vector<std::uint32_t> indices;
	int shape = kNoShape;
	int stacks = 0;
	int slices = 0;
	// Buffer objects holding the arrays on the graphics card, made on the first draw; 0 before.
	unsigned vertexBuffer = 0;
	unsigned indexBuffer = 0;
	// The vertex array object that keeps the buffers' bindings, layout and enabled arrays, so
	// that a draw sets one binding instead of a dozen array states.
	unsigned vertexArray = 0;
	// The triangles grouped by plane and the flat facets' outline fans, made with the buffers:
	// the index buffer holds these indices.
	PrimitiveFacets facets;
};

using PrimitiveEntry = MediaInfo<PrimitiveData>;

// "PLANE", "CUBE", "SPHERE", "CYLINDER", "CONE".
extern const char* const ShapeNames[5];

// Case-insensitive; kNoShape when the name is none of ShapeNames.
int ShapeFromName(std::string name);
// The name of a shape; empty for kNoShape.
std::string ShapeName(int shape);
// The tessellation a shape is generated with: every generator needs at least one stack and one
// slice, the sphere and the cylinder two stacks, the cylinder and the cone two slices, and none
// more than kMaxTessellation (a data file must not make the game allocate without bound).
void ClampTessellation(int& shape, int& stacks, int& slices);
inline constexpr int kMaxTessellation = 256;

// The cached mesh (count + 1), generated on first request; the request is clamped first.
PrimitiveEntry* GetPrimitiveData(int shape, int stacks, int slices);
PrimitiveData GeneratePrimitiveMesh(int shape, int stacks, int slices);
// Averages each vertex's triangle tangents and binormals (not normalised).
void ComputeTangents(PrimitiveData& mesh);
// Draws the mesh; with tangent and binormal locations of the current program (-1: none) it feeds
// them the mesh's tangents and binormals.
void DrawPrimitiveMesh(PrimitiveEntry& entry, int tangentLocation = -1, int binormalLocation = -1);
// The same, for a pass that culls back faces (counter-clockwise fronts): the facets an eye at
// eyeInMesh (in the mesh's own space) sees from behind are not submitted, and flat facets whose
// tessellation cannot show (nor tangents are fed) are drawn as fans over their outlines.
void DrawPrimitiveMeshFacing(PrimitiveEntry& entry, const Tuple3f& eyeInMesh, int tangentLocation, int binormalLocation);
// Draws the cached mesh under the placement, with "color" set on the current program.
void DrawPrimitiveShape(int shape, int slices, int stacks, Tuple3f position, Tuple3f scale, Tuple3f rotation, Tuple4f colour);
// glRotatef about a rotation vector: its length (radians) in degrees, the vector as axis.
void RotateByVector(const Tuple3f& rotation);
// Pushes the model-view matrix and multiplies in a placement: translation, then the rotation
// vector (radians), then the scale. The caller pops it.
void PushPlacement(const Tuple3f& position, const Tuple3f& rotation, const Tuple3f& scale);
// The world point in the space PushPlacement draws in; none when a scale component is not
// positive, since a mirrored or flattened placement changes which side of a triangle is its front.
std::optional<Tuple3f> PointInPlacement(const Tuple3f& point, const Tuple3f& position, const Tuple3f& rotation,
	const Tuple3f& scale);
void ReleasePrimitiveCache();
// Deletes the meshes' buffer objects (the context that holds them is about to go); the next draw
// of each mesh uploads it again.
void ReleasePrimitiveBuffers();
