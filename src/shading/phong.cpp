#include "shading/phong.h"

#include "shading/lighting.h"
#include "shading/sampling.h"

namespace {
// The normal-map texel turned into world space through the pixel's tangent frame
// (tangent, normal x tangent, normal), then normalised.
Vec3 mappedNormal(const Vertex& pixel, const Image* normalMap) {
    Vec4 tangent = pixel.tangent;
    vec4Normalize(tangent);
    Colour texel = sampleTexture(normalMap, pixel.texCoord.x, pixel.texCoord.y);
    Vec4 tangentSpace{2.0f * texel.r - 1.0f, 2.0f * texel.g - 1.0f, 2.0f * texel.b - 1.0f, 0.0f};
    vec4Normalize(tangentSpace);
    Vec4 bitangent = vec4Cross(pixel.normal, pixel.tangent);
    vec4Normalize(bitangent);
    Matrix4 frame = matrixFromColumns(tangent, bitangent, pixel.normal);
    Vec3 normal = xyz(matrixTransform(frame, tangentSpace));
    vec3Normalize(normal);
    return normal;
}
}  // namespace

Colour shadePixel(Vertex& pixel, const SceneLighting& lighting, const RenderContext& context) {
    Vec3 normal;
    if (context.normalMap && context.normalMapping == 1) {
        normal = mappedNormal(pixel, context.normalMap);
    } else {
        normal = xyz(pixel.normal);
        vec3Normalize(normal);
    }
    const Material& material = context.material ? *context.material : defaultMaterial();
    pixel.colour =
        shadePoint(xyz(pixel.worldPosition), normal, pixel.texCoord.x, pixel.texCoord.y, material, lighting, context);
    return pixel.colour;
}
