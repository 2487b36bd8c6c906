// Debug lines and wire shapes in one flat colour.
#version 120

void main()
{
	gl_Position = ftransform();
}
