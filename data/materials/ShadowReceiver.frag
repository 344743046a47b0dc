#version 120
// The surface's texture, lit per vertex, darkened where the shadow texture holds a caster.

uniform sampler2D diffuseMap;
uniform sampler2D shadowMap;

varying vec2 uv;
varying vec4 shadowUv;
varying vec4 colour;

void main()
{
    gl_FragColor = texture2D(diffuseMap, uv) * colour * texture2DProj(shadowMap, shadowUv);
}
