// Small materials, lights and images for the shading tests.
#pragma once

#include <initializer_list>

#include "core/image.h"
#include "scene/scene.h"

inline Material makeMaterial(Colour ambient, Colour diffuse, Colour specular, float shininess) {
    Material material;
    material.ambient = ambient;
    material.diffuse = diffuse;
    material.specular = specular;
    material.shininess = shininess;
    return material;
}

// Lights of the given colours at the given positions, no ambience, attenuation 1 / constant.
inline SceneLighting makeLighting(Vec3 eye, std::initializer_list<Light> lights) {
    SceneLighting lighting;
    lighting.eyePosition = eye;
    lighting.ambience = makeColour(0, 0, 0, 0);
    lighting.lights.assign(lights);
    lighting.attenuation = {1, 0, 0};
    return lighting;
}

inline Light makeLight(Vec3 position, Colour colour) { return {{position.x, position.y, position.z, 1}, colour}; }

// Pixels in row order from row 0.
inline Image makeImage(int width, int height, std::initializer_list<Colour> pixels) {
    Image image = imageCreate(width, height);
    image.pixels.assign(pixels);
    return image;
}

inline const Colour kWhite{1, 1, 1, 1};
inline const Colour kBlack{0, 0, 0, 1};
inline const Colour kNothing{0, 0, 0, 0};
