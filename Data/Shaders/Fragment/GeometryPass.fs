// Geometry pass (static and skinned): see GeometryPass.vs for the G-buffer encoding.
#version 120

varying vec3 viewNormal;
varying float linearDepth;

void main()
{
	gl_FragColor = vec4(normalize(viewNormal), linearDepth);
}
