#include "Sound.h"

void Sound::LoadConfig(Config&)
{
}
