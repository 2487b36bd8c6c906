// Screen planes with a polished face: the image (unit 0) shaded by the ambient image (unit 2),
// and a fixed diagonal band of highlight, as of a light above and to the left, where the
// specular image (unit 1) is bright. Planes drawn with it carry all three images.
#version 120

uniform sampler2D sampler[8];

void main()
{
	vec2 uv = gl_TexCoord[0].xy;
	vec4 albedo = texture2D(sampler[0], uv) * gl_Color;
	vec3 ambient = texture2D(sampler[2], uv).rgb;
	vec3 specular = texture2D(sampler[1], uv).rgb;
	float sheen = 1.0 - smoothstep(0.06, 0.2, abs(uv.x * 0.5 - uv.y + 0.25));
	gl_FragColor = vec4(albedo.rgb * ambient + specular * sheen * albedo.a, albedo.a);
}
