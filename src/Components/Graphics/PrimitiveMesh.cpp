#include "Components/Graphics/PrimitiveMesh.h"

#include "Components/Graphics/GLContext.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Utilities/MathCommon.h"
#include "Utilities/Matrix4.h"
#include "Utilities/UnorderedVector.h"

#include <GL/glew.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>

const char* const ShapeNames[5] = {"PLANE", "CUBE", "SPHERE", "CYLINDER", "CONE"};

namespace
{

	tw::unordered_vector<PrimitiveEntry*>& PrimitiveCache()
	{
		static tw::unordered_vector<PrimitiveEntry*> cache;
		return cache;
	}

	float Theta(int k, int slices)
	{
		return static_cast<float>(2.0 * std::numbers::pi * k / slices);
	}

	float Phi(int i, int stacks)
	{
		return static_cast<float>(std::numbers::pi * i / stacks);
	}

	float Fraction(int numerator, int denominator)
	{
		return static_cast<float>(numerator) / static_cast<float>(denominator);
	}

	PrimitiveVertex Vertex(Tuple3f position, Tuple2f texCoord, Tuple3f normal)
	{
		PrimitiveVertex vertex;
		vertex.position = position;
		vertex.texCoord = texCoord;
		vertex.normal = normal;
		return vertex;
	}

	void Triangle(PrimitiveData& mesh, std::uint32_t a, std::uint32_t b, std::uint32_t c)
	{
		mesh.indices.insert(mesh.indices.end(), {a, b, c});
	}

	// Two triangles per cell of a grid whose rows are slices + 1 vertices apart, for the rows
	// firstRow + 1 to lastRow (row r starting at rowStart(r)).
	template <class RowStart>
	void QuadRows(PrimitiveData& mesh, int firstRow, int lastRow, int slices, RowStart rowStart)
	{
		const std::uint32_t w = static_cast<std::uint32_t>(slices) + 1;
		for (int row = firstRow + 1; row <= lastRow; ++row)
			for (int k = 1; k <= slices; ++k)
			{
				const std::uint32_t n = rowStart(row) + static_cast<std::uint32_t>(k);
				Triangle(mesh, n - w - 1, n - 1, n - w);
				Triangle(mesh, n - 1, n, n - w);
			}
	}

	void GeneratePlane(PrimitiveData& mesh, int stacks, int slices)
	{
		for (int i = 0; i <= stacks; ++i)
			for (int k = 0; k <= slices; ++k)
				mesh.vertices.push_back(Vertex({Fraction(k, slices) - 0.5f, 0.5f - Fraction(i, stacks), 0.0f},
					{Fraction(k, slices), Fraction(i, stacks)}, {0.0f, 0.0f, 1.0f}));
		QuadRows(mesh, 0, stacks, slices, [slices](int row) { return static_cast<std::uint32_t>(row * (slices + 1)); });
	}

	void GenerateCube(PrimitiveData& mesh, int stacks, int slices)
	{
		GeneratePlane(mesh, stacks, slices);
		const std::size_t faceVertices = mesh.vertices.size();
		const std::size_t faceIndices = mesh.indices.size();
		for (PrimitiveVertex& vertex : mesh.vertices)
			vertex.position.z = 0.5f;
		struct FaceTurn
		{
			Tuple3f axis;
			float angle;
		};
		const FaceTurn turns[5] = {{{0, 1, 0}, 1.5707964f}, {{0, 1, 0}, 3.1415927f}, {{0, 1, 0}, 4.712389f},
			{{1, 0, 0}, 1.5707964f}, {{1, 0, 0}, 4.712389f}};
		for (int face = 1; face <= 5; ++face)
		{
			const Matrix4 rotation = Matrix4::FromAxisAngle(turns[face - 1].axis, turns[face - 1].angle);
			for (std::size_t v = 0; v < faceVertices; ++v)
			{
				PrimitiveVertex vertex = mesh.vertices[v];
				vertex.position = rotation * vertex.position;
				vertex.normal = rotation * vertex.normal;
				mesh.vertices.push_back(vertex);
			}
			const std::uint32_t offset = static_cast<std::uint32_t>(face * faceVertices);
			for (std::size_t i = 0; i < faceIndices; ++i)
				mesh.indices.push_back(mesh.indices[i] + offset);
		}
	}

	// Normal: the normalised position.
	PrimitiveVertex SphereVertex(Tuple3f position, Tuple2f texCoord)
	{
		return Vertex(position, texCoord, position.Normalize());
	}

	void GenerateSphere(PrimitiveData& mesh, int stacks, int slices)
	{
		for (int j = 0; j < slices; ++j)
			mesh.vertices.push_back(SphereVertex({0.0f, 0.5f, 0.0f}, {Fraction(j, slices), 0.0f}));
		const auto ringStart = [slices](int ring) { return static_cast<std::uint32_t>(slices + (ring - 1) * (slices + 1)); };
		for (int i = 1; i < stacks; ++i)
			for (int k = 0; k <= slices; ++k)
			{
				const float phi = Phi(i, stacks);
				const float theta = Theta(k, slices);
				mesh.vertices.push_back(SphereVertex(
					Tuple3f(std::sin(phi) * std::cos(theta), std::cos(phi), -std::sin(phi) * std::sin(theta)) * 0.5f,
					{Fraction(k, slices), Fraction(i, stacks)}));
			}
		const float pi = static_cast<float>(std::numbers::pi);
		for (int j = 0; j < slices; ++j)
		{
			const float theta = Theta(j + 1, slices);
			mesh.vertices.push_back(SphereVertex(
				Tuple3f(std::sin(pi) * std::cos(theta), std::cos(pi), -std::sin(pi) * std::sin(theta)) * 0.5f,
				{Fraction(j + 1, slices), 1.0f}));
		}
		const std::uint32_t s = static_cast<std::uint32_t>(slices);
		for (std::uint32_t j = 0; j < s; ++j)
			Triangle(mesh, s + j, s + j + 1, j);
		QuadRows(mesh, 1, stacks - 1, slices, ringStart);
		const std::uint32_t south = ringStart(stacks);
		for (std::uint32_t j = 0; j < s; ++j)
			Triangle(mesh, south + j, south + j - s, south + j - s - 1);
	}

	// A disc of slices centre copies followed by its rim (k = 0..slices) at height y; the top disc
	// maps texture coordinates as (x + 0.5, z + 0.5), the bottom one mirrored in u.
	std::uint32_t Disc(PrimitiveData& mesh, int slices, float y, bool top)
	{
		const std::uint32_t start = static_cast<std::uint32_t>(mesh.vertices.size());
		const Tuple3f normal(0.0f, top ? 1.0f : -1.0f, 0.0f);
		for (int j = 0; j < slices; ++j)
			mesh.vertices.push_back(Vertex({0.0f, y, 0.0f}, {0.5f, 0.5f}, normal));
		for (int k = 0; k <= slices; ++k)
		{
			const float theta = Theta(k, slices);
			const float x = 0.5f * std::cos(theta);
			const float z = -0.5f * std::sin(theta);
			mesh.vertices.push_back(Vertex({x, y, z}, {top ? x + 0.5f : 0.5f - x, z + 0.5f}, normal));
		}
		return start;
	}

	void DiscTriangles(PrimitiveData& mesh, std::uint32_t start, int slices, bool top)
	{
		const std::uint32_t s = static_cast<std::uint32_t>(slices);
		for (std::uint32_t j = 0; j < s; ++j)
		{
			const std::uint32_t rim = start + s + j;
			if (top)
				Triangle(mesh, rim, rim + 1, start + j);
			else
				Triangle(mesh, rim, start + j, rim + 1);
		}
	}

	void GenerateCylinder(PrimitiveData& mesh, int stacks, int slices)
	{
		const std::uint32_t top = Disc(mesh, slices, 0.5f, true);
		const auto ringStart = [slices](int ring) { return static_cast<std::uint32_t>((slices + 1) * (ring + 1) + slices); };
		for (int i = 0; i <= stacks; ++i)
			for (int k = 0; k <= slices; ++k)
			{
				const float theta = Theta(k, slices);
				const Tuple3f position(0.5f * std::cos(theta), 0.5f - Fraction(i, stacks), -0.5f * std::sin(theta));
				mesh.vertices.push_back(Vertex(position, {Fraction(k, slices), Fraction(i, stacks)},
					Tuple3f(position.x, 0.0f, position.z).Normalize()));
			}
		const std::uint32_t bottom = Disc(mesh, slices, -0.5f, false);
		DiscTriangles(mesh, top, slices, true);
		QuadRows(mesh, 0, stacks, slices, ringStart);
		DiscTriangles(mesh, bottom, slices, false);
	}

	void GenerateCone(PrimitiveData& mesh, int stacks, int slices)
	{
		const auto slopeNormal = [slices](int k) {
			const float theta = Theta(k, slices);
			return Tuple3f(std::cos(theta), 0.5f, -std::sin(theta)).Normalize();
		};
		for (int j = 0; j < slices; ++j)
			mesh.vertices.push_back(Vertex({0.0f, 0.5f, 0.0f}, {Fraction(j, slices), 0.0f}, slopeNormal(j)));
		const auto ringStart = [slices](int ring) { return static_cast<std::uint32_t>(slices + (ring - 1) * (slices + 1)); };
		for (int i = 1; i <= stacks; ++i)
			for (int k = 0; k <= slices; ++k)
			{
				const float radius = 0.5f * Fraction(i, stacks);
				const float theta = Theta(k, slices);
				mesh.vertices.push_back(Vertex({radius * std::cos(theta), 0.5f - Fraction(i, stacks), -radius * std::sin(theta)},
					{Fraction(k, slices), Fraction(i, stacks)}, slopeNormal(k)));
			}
		const std::uint32_t base = Disc(mesh, slices, -0.5f, false);
		const std::uint32_t s = static_cast<std::uint32_t>(slices);
		for (std::uint32_t j = 0; j < s; ++j)
			Triangle(mesh, s + j, s + j + 1, j);
		QuadRows(mesh, 1, stacks, slices, ringStart);
		DiscTriangles(mesh, base, slices, false);
	}

	// numerator / divisor, or the largest float with the numerator's sign when the divisor is
	// too small to divide by.
	Tuple3f GuardedQuotient(const Tuple3f& numerator, float divisor)
	{
		if (std::fabs(divisor) > kDivisorEpsilon)
			return Tuple3f(numerator.x / divisor, numerator.y / divisor, numerator.z / divisor);
		return Tuple3f(SignedMax(numerator.x), SignedMax(numerator.y), SignedMax(numerator.z));
	}
}

int ShapeFromName(std::string name)
{
	std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
	for (int shape = 0; shape < kNoShape; ++shape)
		if (name == ShapeNames[shape])
			return shape;
	return kNoShape;
}

std::string ShapeName(int shape)
{
	return shape >= 0 && shape < kNoShape ? ShapeNames[shape] : std::string();
}

void ClampTessellation(int& shape, int& stacks, int& slices)
{
	if (shape < 0 || shape >= kNoShape)
	{
		// Every unknown shape is the one empty mesh.
		shape = kNoShape;
		stacks = slices = 0;
		return;
	}
	const int minimumStacks = shape == kSphere || shape == kCylinder ? 2 : 1;
	const int minimumSlices = shape == kCylinder || shape == kCone ? 2 : 1;
	stacks = std::clamp(stacks, minimumStacks, kMaxTessellation);
	slices = std::clamp(slices, minimumSlices, kMaxTessellation);
}

PrimitiveEntry* GetPrimitiveData(int shape, int stacks, int slices)
{
	// Clamped before the look-up: otherwise every request below a minimum misses the cache and
	// adds an entry, which per-frame debug drawing would turn into unbounded growth.
	ClampTessellation(shape, stacks, slices);
	tw::unordered_vector<PrimitiveEntry*>& cache = PrimitiveCache();
	for (PrimitiveEntry* entry : cache)
		if (entry->media.shape == shape && entry->media.stacks == stacks && entry->media.slices == slices)
		{
			++entry->count;
			return entry;
		}
	PrimitiveEntry* entry = new PrimitiveEntry{1, GeneratePrimitiveMesh(shape, stacks, slices), std::string()};
	cache.push_back(entry);
	return entry;
}

PrimitiveData GeneratePrimitiveMesh(int shape, int stacks, int slices)
{
	ClampTessellation(shape, stacks, slices);
	PrimitiveData mesh;
	mesh.shape = shape;
	mesh.stacks = stacks;
	mesh.slices = slices;
	switch (shape)
	{
	case kPlane:
		GeneratePlane(mesh, stacks, slices);
		break;
	case kCube:
		GenerateCube(mesh, stacks, slices);
		break;
	case kSphere:
		GenerateSphere(mesh, stacks, slices);
		break;
	case kCylinder:
		GenerateCylinder(mesh, stacks, slices);
		break;
	case kCone:
		GenerateCone(mesh, stacks, slices);
		break;
	default:
		break;
	}
	ComputeTangents(mesh);
	return mesh;
}

void ComputeTangents(PrimitiveData& mesh)
{
	for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3)
	{
		PrimitiveVertex& a = mesh.vertices[mesh.indices[i]];
		PrimitiveVertex& b = mesh.vertices[mesh.indices[i + 1]];
		PrimitiveVertex& c = mesh.vertices[mesh.indices[i + 2]];
		const float du1 = b.texCoord.x - a.texCoord.x;
		const float dv1 = b.texCoord.y - a.texCoord.y;
		const float du2 = c.texCoord.x - a.texCoord.x;
		const float dv2 = c.texCoord.y - a.texCoord.y;
		const Tuple3f e1 = b.position - a.position;
		const Tuple3f e2 = c.position - a.position;
		const float d = du1 * dv2 - dv1 * du2;
		const Tuple3f tangent = GuardedQuotient(e1 * dv2 - e2 * dv1, d);
		const Tuple3f binormal = GuardedQuotient(e1 * du2 - e2 * du1, -d);
		for (PrimitiveVertex* vertex : {&a, &b, &c})
		{
			vertex->tangent += tangent;
			vertex->binormal += binormal;
			++vertex->counter;
		}
	}
	for (PrimitiveVertex& vertex : mesh.vertices)
		if (vertex.counter != 0)
		{
			const float share = 1.0f / static_cast<float>(vertex.counter);
			vertex.tangent *= share;
			vertex.binormal *= share;
		}
}

namespace
{
	const void* Offset(std::size_t offset)
	{
		return reinterpret_cast<const void*>(offset);
	}

	// The arrays go to buffer objects once; the vertex array object records where each attribute
	// lies in them. The array buffer binding is not part of it and is left unbound, since
	// client-side arrays elsewhere (sprites, debug lines) need none bound.
	void UploadPrimitive(PrimitiveData& mesh)
	{
		glGenVertexArrays(1, &mesh.vertexArray);
		glBindVertexArray(mesh.vertexArray);
		glGenBuffers(1, &mesh.vertexBuffer);
		glGenBuffers(1, &mesh.indexBuffer);
		glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
		glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.vertices.size() * sizeof(PrimitiveVertex)), mesh.vertices.data(),
			GL_STATIC_DRAW);
		mesh.facets = PrimitiveFacets(mesh);
		const std::vector<std::uint32_t>& indices = mesh.facets.Indices();
		glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
		glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)), indices.data(),
			GL_STATIC_DRAW);
		constexpr GLsizei stride = sizeof(PrimitiveVertex);
		glVertexPointer(3, GL_FLOAT, stride, Offset(offsetof(PrimitiveVertex, position)));
		glColorPointer(4, GL_FLOAT, stride, Offset(offsetof(PrimitiveVertex, colour)));
		glTexCoordPointer(2, GL_FLOAT, stride, Offset(offsetof(PrimitiveVertex, texCoord)));
		glNormalPointer(GL_FLOAT, stride, Offset(offsetof(PrimitiveVertex, normal)));
		glEnableClientState(GL_VERTEX_ARRAY);
		glEnableClientState(GL_COLOR_ARRAY);
		glEnableClientState(GL_TEXTURE_COORD_ARRAY);
		glEnableClientState(GL_NORMAL_ARRAY);
		glBindVertexArray(0);
		glBindBuffer(GL_ARRAY_BUFFER, 0);
	}
}

namespace
{
	// Binds the mesh (uploading it on its first draw) and, with both locations, its tangents; the
	// draw submits the index ranges; then the bindings are undone.
	template <class Submit>
	void DrawBound(PrimitiveEntry& entry, int tangentLocation, int binormalLocation, Submit&& submit)
	{
		PrimitiveData& mesh = entry.media;
		if (mesh.indices.empty())
			return;
		if (mesh.vertexArray == 0)
			UploadPrimitive(mesh);
		glBindVertexArray(mesh.vertexArray);
		// The tangent locations belong to the program, not the mesh: fed for this draw only.
		const bool tangents = tangentLocation >= 0 && binormalLocation >= 0;
		if (tangents)
		{
			glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
			for (const auto& [location, offset] : {std::pair{tangentLocation, offsetof(PrimitiveVertex, tangent)},
					 std::pair{binormalLocation, offsetof(PrimitiveVertex, binormal)}})
			{
				glVertexAttribPointer(static_cast<GLuint>(location), 3, GL_FLOAT, GL_FALSE, sizeof(PrimitiveVertex), Offset(offset));
				glEnableVertexAttribArray(static_cast<GLuint>(location));
			}
			glBindBuffer(GL_ARRAY_BUFFER, 0);
		}
		submit(mesh);
		if (tangents)
		{
			glDisableVertexAttribArray(static_cast<GLuint>(tangentLocation));
			glDisableVertexAttribArray(static_cast<GLuint>(binormalLocation));
		}
		glBindVertexArray(0);
	}

	// The facing ranges of one draw, kept between draws so that a frame allocates nothing.
	struct FacingDraw
	{
		std::vector<PrimitiveFacets::Range> ranges;
		std::vector<GLsizei> counts;
		std::vector<const void*> offsets;
	};
}

void DrawPrimitiveMesh(PrimitiveEntry& entry, int tangentLocation, int binormalLocation)
{
	DrawBound(entry, tangentLocation, binormalLocation, [](const PrimitiveData& mesh) {
		glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.facets.MeshIndexCount()), GL_UNSIGNED_INT, nullptr);
	});
}

void DrawPrimitiveMeshFacing(PrimitiveEntry& entry, const Tuple3f& eyeInMesh, int tangentLocation, int binormalLocation)
{
	static FacingDraw draw;
	DrawBound(entry, tangentLocation, binormalLocation, [&](const PrimitiveData& mesh) {
		mesh.facets.CollectFacing(eyeInMesh, tangentLocation < 0 || binormalLocation < 0, draw.ranges);
		draw.counts.clear();
		draw.offsets.clear();
		for (const PrimitiveFacets::Range& range : draw.ranges)
		{
			draw.counts.push_back(static_cast<GLsizei>(range.count));
			draw.offsets.push_back(Offset(range.first * sizeof(std::uint32_t)));
		}
		if (!draw.counts.empty())
			glMultiDrawElements(GL_TRIANGLES, draw.counts.data(), GL_UNSIGNED_INT, draw.offsets.data(),
				static_cast<GLsizei>(draw.counts.size()));
	});
}

void RotateByVector(const Tuple3f& rotation)
{
	glRotatef(static_cast<float>(rotation.Length() * kRadiansToDegrees), rotation.x, rotation.y, rotation.z);
}

void PushPlacement(const Tuple3f& position, const Tuple3f& rotation, const Tuple3f& scale)
{
	glPushMatrix();
	glTranslatef(position.x, position.y, position.z);
	RotateByVector(rotation);
	glScalef(scale.x, scale.y, scale.z);
}

std::optional<Tuple3f> PointInPlacement(const Tuple3f& point, const Tuple3f& position, const Tuple3f& rotation,
	const Tuple3f& scale)
{
	if (!(scale.x > 0.0f && scale.y > 0.0f && scale.z > 0.0f))
		return std::nullopt;
	const float angle = static_cast<float>(rotation.Length());
	// glRotatef turns nothing about a zero axis.
	const Matrix4 turn = angle > 0.0f ? Matrix4::FromAxisAngle(rotation * (1.0f / angle), angle) : Matrix4::Identity();
	const Tuple3f unturned = turn.Transpose() * (point - position);
	return Tuple3f(unturned.x / scale.x, unturned.y / scale.y, unturned.z / scale.z);
}

void DrawPrimitiveShape(int shape, int slices, int stacks, Tuple3f position, Tuple3f scale, Tuple3f rotation, Tuple4f colour)
{
	PushPlacement(position, rotation, scale);
	glLineWidth(3.0f);
	const int colourLocation = CurrentUniform(Uniform::Color);
	if (colourLocation >= 0)
		glUniform4f(colourLocation, colour.x, colour.y, colour.z, colour.w);
	PrimitiveEntry* mesh = GetPrimitiveData(shape, stacks, slices);
	DrawPrimitiveMesh(*mesh);
	ReleaseMedia(mesh);
	glPopMatrix();
}

void ReleasePrimitiveBuffers()
{
	const bool deleteBuffers = HasGLContext();
	for (PrimitiveEntry* entry : PrimitiveCache())
	{
		PrimitiveData& mesh = entry->media;
		if (deleteBuffers && mesh.vertexArray != 0)
		{
			glDeleteVertexArrays(1, &mesh.vertexArray);
			glDeleteBuffers(1, &mesh.vertexBuffer);
			glDeleteBuffers(1, &mesh.indexBuffer);
		}
		mesh.vertexArray = mesh.vertexBuffer = mesh.indexBuffer = 0;
	}
}

void ReleasePrimitiveCache()
{
	ReleasePrimitiveBuffers();
	tw::unordered_vector<PrimitiveEntry*>& cache = PrimitiveCache();
	for (PrimitiveEntry* entry : cache)
		delete entry;
	cache.clear();
}
