// The Graphics system's debug drawing: the queues of lines and wire-frame shapes and the pass
// that draws and empties them at the end of the frame.
#include "Systems/Graphics/Graphics.h"

#include "Components/Graphics/PrimitiveMesh.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Components/Graphics/TextureCache.h"

#include <GL/glew.h>

#include <algorithm>

namespace
{
	constexpr int kCylinderSlices = 20;
	constexpr int kCylinderStacks = 2;
	constexpr int kUniformConeTessellation = 10;
}

void Graphics::DrawLine(Tuple3f start, Tuple3f end, float width, Tuple4f colour)
{
	lineQueue.push_back(LineDrawInfo{start, end, width, colour});
}

void Graphics::DrawRay(Tuple3f origin, Tuple3f vector, float width, Tuple4f colour)
{
	DrawLine(origin, origin + vector, width, colour);
}

void Graphics::DrawPlane(Tuple3f position, Tuple3f scale, Tuple3f rotation, Tuple4f colour)
{
	primitiveQueue.push_back(PrimDrawInfo{kPlane, 1, 1, position, scale, rotation, colour});
}

void Graphics::DrawCube(Tuple3f position, Tuple3f scale, Tuple3f rotation, Tuple4f colour)
{
	primitiveQueue.push_back(PrimDrawInfo{kCube, 1, 1, position, scale, rotation, colour});
}

void Graphics::DrawSphere(Tuple3f position, Tuple3f scale, Tuple3f rotation, int slices, int stacks, Tuple4f colour)
{
	primitiveQueue.push_back(PrimDrawInfo{kSphere, slices, std::max(stacks, 2), position, scale, rotation, colour});
}

void Graphics::DrawSphereUniform(Tuple3f position, float radius, Tuple3f rotation, int slices, int stacks, Tuple4f colour)
{
	DrawSphere(position, Tuple3f(radius, radius, radius), rotation, slices, stacks, colour);
}

void Graphics::DrawCylinder(Tuple3f position, Tuple3f scale, Tuple3f rotation, Tuple4f colour)
{
	primitiveQueue.push_back(PrimDrawInfo{kCylinder, kCylinderSlices, kCylinderStacks, position, scale, rotation, colour});
}

void Graphics::DrawCone(Tuple3f position, Tuple3f scale, Tuple3f rotation, int slices, int stacks, Tuple4f colour)
{
	primitiveQueue.push_back(PrimDrawInfo{kCone, slices, stacks, position, scale, rotation, colour});
}

void Graphics::DrawConeUniform(Tuple3f position, float size, Tuple3f rotation, Tuple4f colour)
{
	DrawCone(position, Tuple3f(size, size, size), rotation, kUniformConeTessellation, kUniformConeTessellation, colour);
}

void Graphics::DebugPass()
{
	if (primitiveQueue.empty() && lineQueue.empty())
		return;
	glActiveTexture(GL_TEXTURE0);
	glDisable(GL_TEXTURE_2D);
	BoundTextures.diffuse = 0;
	UseProgram("Debug");
	glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
	glDisable(GL_CULL_FACE);
	for (const PrimDrawInfo& shape : primitiveQueue)
		DrawPrimitiveShape(shape.shape, shape.slices, shape.stacks, shape.position, shape.scale, shape.rotation, shape.colour);
	primitiveQueue.clear();
	const int colourLocation = CurrentUniform(Uniform::Color);
	for (const LineDrawInfo& line : lineQueue)
	{
		glLineWidth(line.width);
		if (colourLocation >= 0)
			glUniform4f(colourLocation, line.colour.x, line.colour.y, line.colour.z, line.colour.w);
		glBegin(GL_LINES);
		glVertex3f(line.start.x, line.start.y, line.start.z);
		glVertex3f(line.end.x, line.end.y, line.end.z);
		glEnd();
	}
	lineQueue.clear();
	glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
	glEnable(GL_CULL_FACE);
}
