// The game's entry function.
int main(int argc, char** argv)
{
	return 0;
}
