// Omni light. Lighting model: Lambert diffuse only, in view space,
//   light = color.rgb * max(N . normalize(lightPos - P), 0) / (attConst + attLinear d + attQuad d^2),
// with d = |lightPos - P|, quantised into "striations" bands when that is a sensible count, and
// faded out over the outer quarter of the light's sphere (its radius is the distance from the
// light to this volume fragment), so that the volume's edge never shows.
// P is rebuilt from the G-buffer's linear depth along the ray through this volume fragment.
// The light buffer adds every light's rgb (blending one, one).
#version 120

uniform sampler2D sampler[8];
uniform vec2 invBufferDim;
uniform float clipNear;
uniform float clipFar;
uniform vec4 color;
uniform vec3 lightPos;
uniform float attConst;
uniform float attLinear;
uniform float attQuad;
uniform float striations;
varying vec3 volumePosition;

float Banded(float intensity)
{
	return striations < 1000.0 ? floor(intensity * striations) / striations : intensity;
}

void main()
{
	vec4 surface = texture2D(sampler[6], gl_FragCoord.xy * invBufferDim);
	if (dot(surface.xyz, surface.xyz) < 0.25)
		discard;
	float viewDepth = clipNear + surface.a * (clipFar - clipNear);
	vec3 position = volumePosition * (viewDepth / -volumePosition.z);
	vec3 toLight = lightPos - position;
	float distance = length(toLight);
	float attenuation = 1.0 / max(attConst + attLinear * distance + attQuad * distance * distance, 0.0001);
	float radius = length(volumePosition - lightPos);
	float fade = 1.0 - smoothstep(0.75 * radius, radius, distance);
	float diffuse = max(dot(normalize(surface.xyz), toLight / max(distance, 0.0001)), 0.0);
	gl_FragColor = vec4(color.rgb * Banded(diffuse * attenuation * fade), 1.0);
}
