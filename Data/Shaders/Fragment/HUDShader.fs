#version 120

uniform sampler2D sampler[8];

void main()
{
	gl_FragColor = texture2D(sampler[0], gl_TexCoord[0].xy) * gl_Color;
}
