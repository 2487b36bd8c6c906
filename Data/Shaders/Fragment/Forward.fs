// Level objects: albedo * (ambient + accumulated light) + emissive. The light buffer (unit 7) is
// read at this pixel; a small constant ambient keeps unlit sides readable.
#version 120

const vec3 kAmbient = vec3(0.15);

uniform sampler2D sampler[8];
uniform vec2 invBufferDim;
uniform float emissiveFactor;

void main()
{
	vec4 albedo = texture2D(sampler[0], gl_TexCoord[0].xy) * gl_Color;
	vec3 light = texture2D(sampler[7], gl_FragCoord.xy * invBufferDim).rgb;
	gl_FragColor = vec4(albedo.rgb * (kAmbient + light) + albedo.rgb * emissiveFactor, albedo.a);
}
