// Point sprites: one textured point per particle, in the particle's colour. The sprite hands each
// point's size in the first component of its normal; the size shrinks with the eye distance by the
// point attenuation and is clamped to the point size range the sprite sets.
#version 120

void main()
{
	gl_FrontColor = gl_Color;
	gl_Position = ftransform();
	float distance = length(gl_ModelViewMatrix * gl_Vertex);
	float attenuation = gl_Point.distanceConstantAttenuation + gl_Point.distanceLinearAttenuation * distance +
		gl_Point.distanceQuadraticAttenuation * distance * distance;
	float size = attenuation > 0.0 ? gl_Normal.x * inversesqrt(attenuation) : gl_Normal.x;
	gl_PointSize = clamp(size, gl_Point.sizeMin, gl_Point.sizeMax);
}
