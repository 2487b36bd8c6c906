#include "LoadingView.h"

#include "Engine.h"
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "Systems/Graphics/Graphics.h"

namespace
{
	const Graphics* FindGraphics()
	{
		const Engine* engine = Engine::Instance();
		return engine != nullptr ? engine->GetSystem<Graphics>() : nullptr;
	}
}

LoadingView::LoadingView(const std::string& page)
{
	const Graphics* graphics = FindGraphics();
	width = graphics != nullptr ? graphics->GetScreenWidth() : 0;
	height = graphics != nullptr ? graphics->GetScreenHeight() : 0;
	view = HTMLEngine::CreateView(static_cast<int>(width), static_cast<int>(height), true, false);
	view->LoadFile(page);
	// The texture that receives the page and the "HUDShader" program that draws it belong to the
	// Graphics system's OpenGL renderer, which does not exist yet: until it does, nothing is drawn.
}

LoadingView::~LoadingView()
{
	view->Destroy();
}

void LoadingView::Draw()
{
	HTMLEngine::Update();
	if (!view->IsDirty())
		return;
	// Copying the dirty rectangle into the texture, the full-screen quad and the buffer swap come
	// with the renderer; until then the canvas is only taken, so the view's dirty state stays true
	// to what has been shown.
	view->LockCanvas(true);
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
