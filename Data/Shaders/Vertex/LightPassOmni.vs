// Omni light volume: a sphere around the light, drawn with the scene's depth so that only the
// pixels whose surfaces it covers are lit.
#version 120

varying vec3 volumePosition;

void main()
{
	vec4 viewPosition = gl_ModelViewMatrix * gl_Vertex;
	volumePosition = viewPosition.xyz;
	gl_Position = gl_ProjectionMatrix * viewPosition;
}
