#include "shading/lighting.h"

#include <cmath>

#include "shading/sampling.h"
#include "shading/shininess_pow.h"

namespace {

// What every lit light shares at a point, worked out once, when the first light passes n.l > 0:
// the diffuse base colour (a texture sample, perhaps) and the direction to the eye.
struct PointTerms {
    Colour diffuseBase;
    Vec3 toEye;
};

PointTerms pointTerms(Vec3 point, float u, float v, const Material& material, const SceneLighting& lighting,
                      const RenderContext& context) {
    PointTerms terms{material.diffuse, vec3Sub(lighting.eyePosition, point)};
    if (context.textureMap && context.texturing == 1) terms.diffuseBase = sampleTexture(context.textureMap, u, v);
    vec3Normalize(terms.toEye);
    return terms;
}

// One light's diffuse and Phong specular contribution (the reflection vector, not the half
// vector), before the light's colour and attenuation.
Colour lightContribution(Vec3 toLight, float nDotL, Vec3 normal, const PointTerms& terms, const Material& material) {
    Colour diffuse = colourScale(terms.diffuseBase, nDotL);
    Vec3 reflected = vec3Sub(vec3Scale(normal, 2.0f * nDotL), toLight);  // L mirrored about N
    float rDotV = vec3Dot(reflected, terms.toEye);
    Colour specular = rDotV > 0.0f ? colourScale(material.specular, shininessPow(rDotV, material.shininess))
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
    PointTerms terms{};
    bool termsReady = false;
    Colour sum = makeColour(0, 0, 0, 0);
    for (const Light& light : lighting.lights) {
        Vec3 toLight = vec3Sub(xyz(light.position), point);
        float distance = vec3Length(toLight);
        vec3Normalize(toLight);
        float nDotL = vec3Dot(toLight, normal);
        if (!(nDotL > 0.0f)) continue;  // facing away, or NaN
        if (!termsReady) {
            terms = pointTerms(point, u, v, material, lighting, context);
            termsReady = true;
        }
        Colour lit = lightContribution(toLight, nDotL, normal, terms, material);
        lit = colourModulate(lit, light.colour);
        lit = colourScale(lit, attenuationFactor(lighting.attenuation, distance));
        sum = colourAdd(sum, lit);
    }
    return colourAdd(ambient, sum);
}
