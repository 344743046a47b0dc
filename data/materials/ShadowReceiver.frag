#version 120
// The surface's texture, lit per vertex, darkened where the shadow texture holds a caster.
// Outside the shadow texture (and behind the shadow camera) nothing is shadowed: the texture is
// clamped, not bordered, which a software renderer samples much faster.

uniform sampler2D diffuseMap;
uniform sampler2D shadowMap;

varying vec2 uv;
varying vec4 shadowUv;
varying vec4 colour;

void main()
{
    vec2 at = shadowUv.xy / shadowUv.w;
    float outside = float(shadowUv.w <= 0.0 || any(lessThan(at, vec2(0.0))) || any(greaterThan(at, vec2(1.0))));
    vec4 shadow = max(texture2D(shadowMap, at), vec4(outside));
    gl_FragColor = texture2D(diffuseMap, uv) * colour * shadow;
}
