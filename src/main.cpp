// The game's entry function.
#include "Startup.h"

int main(int argc, char** argv)
{
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr);
}
