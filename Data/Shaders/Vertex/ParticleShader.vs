// Point sprites: one textured point per particle, in the particle's colour.
#version 120

void main()
{
	gl_FrontColor = gl_Color;
	gl_Position = ftransform();
}
