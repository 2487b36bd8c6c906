// HtmlShot: renders a page file to a PNG as the engine would show it, for golden images and for
// reviewing pages without running the game.
//   HtmlShot <page.html> <out.png> [width height] [opaque] [hover-x hover-y]
#include "HTMLEngine/PageShot.h"

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
	if (argc < 3)
	{
		std::fprintf(stderr, "usage: %s page.html out.png [width height] [opaque] [hover-x hover-y]\n", argv[0]);
		return 2;
	}
	const int width = argc > 4 ? std::atoi(argv[3]) : 320;
	const int height = argc > 4 ? std::atoi(argv[4]) : 240;
	const bool transparent = !(argc > 5 && std::string(argv[5]) == "opaque");
	const float hoverX = argc > 7 ? static_cast<float>(std::atof(argv[6])) : -1.0f;
	const float hoverY = argc > 7 ? static_cast<float>(std::atof(argv[7])) : -1.0f;
	HTMLEngine::Initialize(nullptr);
	const auto pixels = test::RenderPage(argv[1], width, height, transparent, hoverX, hoverY);
	HTMLEngine::Destroy();
	if (!test::WriteBgraPng(pixels, std::max(width, 1), std::max(height, 1), argv[2]))
	{
		std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
		return 1;
	}
	return 0;
}
