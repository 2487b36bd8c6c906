// Unlit textured surfaces: the loading page, screen planes and skies. The texture (unit 0) is
// read through its texture matrix and tinted by the vertex colour.
#version 120

void main()
{
	gl_TexCoord[0] = gl_TextureMatrix[0] * gl_MultiTexCoord0;
	gl_FrontColor = gl_Color;
	gl_Position = ftransform();
}
