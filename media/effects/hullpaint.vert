#version 120
// Painted steel: swells the surface along its normal by "swell" units and
// hands the fragment stage the normal and the light and eye directions.
uniform mat4 worldViewProj;
uniform vec4 lightPosition;
uniform vec3 eyePosition;
uniform float swell;

varying vec3 normal;
varying vec3 toLight;
varying vec3 toEye;

void main()
{
    vec4 position = gl_Vertex + vec4(gl_Normal * swell, 0.0);
    gl_Position = worldViewProj * position;
    normal = gl_Normal;
    toLight = lightPosition.xyz - position.xyz * lightPosition.w;
    toEye = eyePosition - position.xyz;
}
