#version 120
// Diffuse paint colour with a Blinn highlight whose sharpness is "gloss".
uniform vec4 paintColour;
uniform float gloss;

varying vec3 normal;
varying vec3 toLight;
varying vec3 toEye;

void main()
{
    vec3 n = normalize(normal);
    vec3 l = normalize(toLight);
    vec3 h = normalize(l + normalize(toEye));
    float diffuse = max(dot(n, l), 0.0);
    float highlight = pow(max(dot(n, h), 0.0), gloss);
    vec3 colour = paintColour.rgb * (0.3 + 0.7 * diffuse) + vec3(0.6) * highlight;
    gl_FragColor = vec4(colour, paintColour.a);
}
