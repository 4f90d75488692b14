#include "shading/lighting.h"

#include <cmath>

#include "shading/sampling.h"

namespace {
// One light's diffuse and specular contribution, before the light's colour and attenuation.
Colour lightContribution(Vec3 toLight, float nDotL, Vec3 normal, Vec3 point, Colour diffuseBase,
                         const Material& material, const SceneLighting& lighting) {
    Colour diffuse = colourScale(diffuseBase, nDotL);
    Vec3 toEye = vec3Sub(lighting.eyePosition, point);
    vec3Normalize(toEye);
    Vec3 reflected = vec3Sub(vec3Scale(normal, 2.0f * nDotL), toLight);  // L mirrored about N
    float rDotV = vec3Dot(reflected, toEye);
    Colour specular = rDotV > 0.0f ? colourScale(material.specular, std::pow(rDotV, material.shininess))
                                   : makeColour(0, 0, 0, 1);
    return colourAdd(diffuse, specular);
}

float attenuationFactor(const Attenuation& attenuation, float distance) {
    return 1.0f / ((distance * attenuation.quadratic) * distance + distance * attenuation.linear + attenuation.constant);
}
}  // namespace

Colour shadePoint(Vec3 point, Vec3 normal, float u, float v, const Material& material, const SceneLighting& lighting,
                  const RenderContext& context) {
    Colour ambient = colourModulate(lighting.ambience, material.ambient);
    bool textured = context.textureMap && context.texturing == 1;
    Colour diffuseBase = material.diffuse;
    bool diffuseSampled = false;  // the texture is sampled only once a light needs it
    Colour sum = makeColour(0, 0, 0, 0);
    for (const Light& light : lighting.lights) {
        Vec3 toLight = vec3Sub(xyz(light.position), point);
        float distance = vec3Length(toLight);
        vec3Normalize(toLight);
        float nDotL = vec3Dot(toLight, normal);
        if (!(nDotL > 0.0f)) continue;
        if (textured && !diffuseSampled) {
            diffuseBase = sampleTexture(context.textureMap, u, v);
            diffuseSampled = true;
        }
        Colour lit = lightContribution(toLight, nDotL, normal, point, diffuseBase, material, lighting);
        lit = colourModulate(lit, light.colour);
        lit = colourScale(lit, attenuationFactor(lighting.attenuation, distance));
        sum = colourAdd(sum, lit);
    }
    return colourAdd(ambient, sum);
}
