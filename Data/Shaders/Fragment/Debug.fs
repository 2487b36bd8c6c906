#version 120

uniform vec4 color;

void main()
{
	gl_FragColor = color;
}
