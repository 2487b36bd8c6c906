#include "HTMLEngine/HTMLEngine.h"

#include "HTMLEngine/HTMLView.h"

namespace HTMLEngine
{
	bool Initialize(const char*)
	{
		return true;
	}

	void Update()
	{
	}

	void Destroy()
	{
	}

	HTMLView* CreateView(int width, int height, bool, bool)
	{
		return new HTMLView(width, height);
	}
}
