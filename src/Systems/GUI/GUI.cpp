#include "Systems/GUI/GUI.h"

void GUI::LoadConfig(Config&)
{
}
