// Level objects in the forward pass: the diffuse texture (unit 0, through its texture matrix)
// lit by what the light pass accumulated for this pixel.
#version 120

void main()
{
	gl_TexCoord[0] = gl_TextureMatrix[0] * gl_MultiTexCoord0;
	gl_FrontColor = gl_Color;
	gl_Position = ftransform();
}
