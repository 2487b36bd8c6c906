// Directional light. Lighting model: Lambert diffuse only, in view space,
//   light = color.rgb * max(N . -L, 0),
// with L the direction the light travels, quantised into "striations" bands when that is a
// sensible count. Pixels that no surface covered are left dark.
#version 120

uniform sampler2D sampler[8];
uniform vec2 invBufferDim;
uniform vec4 color;
uniform vec3 L;
uniform float striations;

float Banded(float intensity)
{
	return striations < 1000.0 ? floor(intensity * striations) / striations : intensity;
}

void main()
{
	vec4 surface = texture2D(sampler[6], gl_FragCoord.xy * invBufferDim);
	if (dot(surface.xyz, surface.xyz) < 0.25)
		discard;
	float diffuse = max(dot(normalize(surface.xyz), -normalize(L)), 0.0);
	gl_FragColor = vec4(color.rgb * Banded(diffuse), 1.0);
}
