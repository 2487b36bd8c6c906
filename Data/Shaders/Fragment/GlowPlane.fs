// Screen planes that give off light: the image (unit 0) shaded by the ambient image (unit 2),
// plus the emissive image (unit 1) scaled by emissiveFactor. A plane without an emissive image is
// drawn with a factor of 0; one whose image is not fully clear carries an ambient image.
#version 120

uniform sampler2D sampler[8];
uniform float emissiveFactor;

void main()
{
	vec2 uv = gl_TexCoord[0].xy;
	vec4 albedo = texture2D(sampler[0], uv) * gl_Color;
	vec3 ambient = texture2D(sampler[2], uv).rgb;
	vec4 glow = texture2D(sampler[1], uv) * emissiveFactor;
	gl_FragColor = vec4(albedo.rgb * ambient + glow.rgb, max(albedo.a, glow.a));
}
