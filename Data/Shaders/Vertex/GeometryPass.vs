// Geometry pass: writes the G-buffer, one RGBA16F texel per pixel:
//   rgb = the surface's unit normal in view space,
//   a   = its linear depth, (distance along the view axis - clipNear) * invClipDiff, 0 at the near
//         plane and 1 at the far plane.
// Pixels no surface covered keep the clear value (0, 0, 0, 0): a zero normal marks them empty.
// "tangent" and "binormal" are declared for surfaces with normal maps; without one they go unused.
#version 120

uniform float clipNear;
uniform float invClipDiff;
attribute vec3 tangent;
attribute vec3 binormal;
varying vec3 viewNormal;
varying float linearDepth;

void main()
{
	vec4 viewPosition = gl_ModelViewMatrix * gl_Vertex;
	viewNormal = gl_NormalMatrix * gl_Normal;
	linearDepth = (-viewPosition.z - clipNear) * invClipDiff;
	gl_Position = gl_ProjectionMatrix * viewPosition;
}
