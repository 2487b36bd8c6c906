#include "Systems/Graphics/Graphics.h"

void Graphics::LoadConfig(Config&)
{
}
