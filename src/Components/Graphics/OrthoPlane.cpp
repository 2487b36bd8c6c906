#include "Components/Graphics/OrthoPlane.h"

#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Window.h"

#include <GL/glew.h>

#include <iostream>

bool OrthoPlane::Load(Serializer& serializer)
{
	serializer.Read(bounds);
	if (!HasArea())
		std::cout << "OrthoPlane of object \"" << owner->GetName() << "\": bounds (" << bounds.x << ", " << bounds.y
				  << ", " << bounds.z << ", " << bounds.w << ") enclose no area; the plane is not drawn\n";
	ReleaseMedia(mesh);
	mesh = GetPrimitiveData(kPlane, 1, 1);
	return true;
}

bool OrthoPlane::Serialize(Serializer& serializer)
{
	serializer.Write("bounds", bounds);
	return true;
}

bool OrthoPlane::Start()
{
	visible = true;
	if (Graphics* graphics = Graphics::Find())
	{
		// Among planes of one z the later one goes on top: a page opened over others (the pause
		// menu over the editor's panel, both fitted to the window at z 0) must cover them.
		const float z = WorldZ();
		graphics->OrthoPlanes().InsertOrdered(this, [z](const OrthoPlane* listed) { return listed->WorldZ() > z; });
	}
	owner->RegisterHandler<OrthoPlane>("SetVisible", &OrthoPlane::OnSetVisible);
	return true;
}

float OrthoPlane::WorldZ() const
{
	const Transform* transform = owner->GetComponent<Transform>();
	return transform != nullptr ? transform->GetWorldPosition().z : 0.0f;
}

bool OrthoPlane::HasArea() const
{
	return bounds.z > bounds.x && bounds.w > bounds.y;
}

Tuple4<int> OrthoPlane::Viewport(int windowWidth, int windowHeight) const
{
	return Graphics::FitViewport(windowWidth, windowHeight, bounds.z - bounds.x, bounds.w - bounds.y);
}

bool OrthoPlane::Update()
{
	const Engine* engine = Engine::Instance();
	const Window* window = engine != nullptr ? engine->GetSystem<Window>() : nullptr;
	// A box without area has no projection and no aspect to keep.
	if (window == nullptr || !HasArea())
		return true;
	const Tuple4<int> viewport = Viewport(window->GetWidth(), window->GetHeight());
	glPushAttrib(GL_VIEWPORT_BIT | GL_ENABLE_BIT);
	glViewport(viewport.x, viewport.y, viewport.z, viewport.w);
	// The box's y grows downwards, which mirrors the plane: seen from behind, culling would drop it.
	glDisable(GL_CULL_FACE);
	glMatrixMode(GL_PROJECTION);
	glPushMatrix();
	glLoadIdentity();
	glOrtho(bounds.x, bounds.z, bounds.w, bounds.y, -1.0, 1.0);
	// The downward box mirrors the texture with the plane: mirrored back, the top row of an image
	// (a page's first row) shows at the top.
	glMatrixMode(GL_TEXTURE);
	glPushMatrix();
	glTranslatef(0.0f, 1.0f, 0.0f);
	glScalef(1.0f, -1.0f, 1.0f);
	glMatrixMode(GL_MODELVIEW);
	glPushMatrix();
	glLoadIdentity();
	Primitive::Update();
	glPopMatrix();
	glMatrixMode(GL_TEXTURE);
	glPopMatrix();
	glMatrixMode(GL_PROJECTION);
	glPopMatrix();
	glMatrixMode(GL_MODELVIEW);
	glPopAttrib();
	return true;
}

void OrthoPlane::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->OrthoPlanes().Remove(this);
}
