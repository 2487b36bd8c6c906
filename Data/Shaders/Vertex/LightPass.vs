// Directional light: a quad covering the whole view.
#version 120

void main()
{
	gl_Position = ftransform();
}
