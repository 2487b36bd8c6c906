#include "LoadingView.h"

#include "Components/Graphics/GLContext.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Components/Graphics/TextureCache.h"
#include "Engine.h"
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "Systems/Graphics/Graphics.h"

#include <GL/glew.h>
#include <SDL/SDL.h>

namespace
{
	const Graphics* FindGraphics()
	{
		const Engine* engine = Engine::Instance();
		return engine != nullptr ? engine->GetSystem<Graphics>() : nullptr;
	}

	// Without a window there is nothing to draw into (engine tests run without one).
	bool CanDraw(const Graphics* graphics)
	{
		return graphics != nullptr && HasGLContext();
	}
}

LoadingView::LoadingView(const std::string& page)
{
	const Graphics* graphics = FindGraphics();
	width = graphics != nullptr ? graphics->GetScreenWidth() : 0;
	height = graphics != nullptr ? graphics->GetScreenHeight() : 0;
	view = HTMLEngine::CreateView(static_cast<int>(width), static_cast<int>(height), true, false);
	view->LoadFile(page);
	if (!CanDraw(graphics))
		return;
	glActiveTexture(GL_TEXTURE0);
	glEnable(GL_TEXTURE_2D);
	glGenTextures(1, &texture);
	glBindTexture(GL_TEXTURE_2D, texture);
	glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_BGRA,
		GL_UNSIGNED_BYTE, nullptr);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
	UseProgram("HUDShader");
	program = CurrentProgram;
	// The diffuse textures' memory of unit 0 no longer holds.
	BoundTextures.diffuse = 0;
}

LoadingView::~LoadingView()
{
	view->Destroy();
	if (texture != 0 && HasGLContext())
		glDeleteTextures(1, &texture);
}

void LoadingView::Draw()
{
	HTMLEngine::Update();
	if (texture == 0 || !HasGLContext())
	{
		// Nothing to copy into: only take the canvas, so that its dirty state stays true to what was shown.
		if (view->IsDirty())
		{
			view->LockCanvas(true);
			view->UnlockCanvas();
		}
		return;
	}
	if (view->IsDirty())
		CopyDirtyRectangle();
	glBindFramebuffer(GL_FRAMEBUFFER, 0);
	glBindRenderbuffer(GL_RENDERBUFFER, 0);
	glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
	glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
	glPushAttrib(GL_VIEWPORT_BIT);
	glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
	glMatrixMode(GL_PROJECTION);
	glPushMatrix();
	glLoadIdentity();
	glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
	glMatrixMode(GL_MODELVIEW);
	glPushMatrix();
	glLoadIdentity();
	glActiveTexture(GL_TEXTURE0);
	glEnable(GL_TEXTURE_2D);
	glBindTexture(GL_TEXTURE_2D, texture);
	BoundTextures.diffuse = 0;
	UseProgram(program);
	if (const int sampler = CurrentUniform(Uniform::Sampler0); sampler >= 0)
		glUniform1i(sampler, 0);
	glScalef(static_cast<float>(width), static_cast<float>(height), 1.0f);
	glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
	glBegin(GL_QUADS);
	const float corners[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
	for (const auto& corner : corners)
	{
		glTexCoord2f(corner[0], corner[1]);
		glVertex2f(corner[0], corner[1]);
	}
	glEnd();
	glMatrixMode(GL_PROJECTION);
	glPopMatrix();
	glMatrixMode(GL_MODELVIEW);
	glPopMatrix();
	glPopAttrib();
	UseProgram(0u);
	SDL_GL_SwapBuffers();
}

void LoadingView::CopyDirtyRectangle()
{
	view->LockCanvas(true);
	const HTMLView::Rect rect = view->GetDirtyRect();
	UseProgram(0u);
	glActiveTexture(GL_TEXTURE0);
	glEnable(GL_TEXTURE_2D);
	glBindTexture(GL_TEXTURE_2D, texture);
	ResetTextureMatrix();
	const int bytesPerRow = view->GetBytesPerRow();
	glPixelStorei(GL_UNPACK_ROW_LENGTH, bytesPerRow / 4);
	const unsigned char* first = view->GetPixels() + rect.top * bytesPerRow + rect.left * 4;
	glTexSubImage2D(GL_TEXTURE_2D, 0, rect.left, rect.top, rect.width, rect.height, GL_BGRA, GL_UNSIGNED_BYTE, first);
	glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
	view->UnlockCanvas();
}

void DrawEngineLoadingView()
{
	const Engine* engine = Engine::Instance();
	if (engine == nullptr)
		return;
	if (LoadingView* view = engine->GetLoadingView())
		view->Draw();
}
