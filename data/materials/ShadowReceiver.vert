#version 120
// Lights the vertex as the fixed-function pipeline does (ambient, and diffuse from up to eight
// lights with their attenuation, no specular) and projects it into the moon's shadow texture
// with the shadow camera's own matrix. Receivers draw with this program because the renderer's
// fixed-function projection takes its planes from whatever transform happens to be current when
// the pass is set, which is the shadow camera's, and puts the shadows beside their casters.

uniform mat4 worldViewProj;
uniform mat4 world;
uniform mat4 shadowViewProj;          // the shadow texture's view and projection, biased to 0..1
uniform vec4 ambient;                 // the scene's ambient light times the pass's ambient
uniform vec4 lightPosition[8];        // world space; w = 0 for a direction towards the light
uniform vec4 lightDiffuse[8];         // the light's diffuse colour times the pass's diffuse
uniform vec4 lightAttenuation[8];     // range, constant, linear, quadratic
uniform float lightCount;

varying vec2 uv;
varying vec4 shadowUv;
varying vec4 colour;

void main()
{
    vec4 position = world * gl_Vertex;
    vec3 normal = normalize(mat3(world) * gl_Normal);
    vec3 lit = ambient.rgb;
    for (int i = 0; i < 8; ++i)
    {
        if (float(i) >= lightCount)
            break;
        vec3 toLight = lightPosition[i].xyz - position.xyz * lightPosition[i].w;
        float distance = length(toLight);
        float attenuation = 1.0;
        if (lightPosition[i].w != 0.0)
            attenuation = 1.0 / (lightAttenuation[i].y + lightAttenuation[i].z * distance
                                 + lightAttenuation[i].w * distance * distance);
        lit += lightDiffuse[i].rgb * max(dot(normal, toLight / distance), 0.0) * attenuation;
    }
    colour = vec4(clamp(lit, 0.0, 1.0), 1.0);
    uv = gl_MultiTexCoord0.xy;
    shadowUv = shadowViewProj * position;
    gl_Position = worldViewProj * gl_Vertex;
}
