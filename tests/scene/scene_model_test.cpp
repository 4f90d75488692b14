#include "scene/scene.h"

#include <gtest/gtest.h>

TEST(SceneModel, TheNoneEntryExistsButIsNeverDrawn) {
    Scene scene = sceneCreate();
    ASSERT_EQ(scene.materials.images.entries.size(), 1u);
    const ImageEntry& none = scene.materials.images.entries[0];
    EXPECT_EQ(none.fileName, "None");
    ASSERT_TRUE(none.image);
    EXPECT_EQ(none.image->pixels.size(), 4u);
    EXPECT_EQ(none.image->pixels[3].a, 0.0f);
    EXPECT_EQ(imageAt(scene.materials.images, 0), nullptr);
}

TEST(SceneModel, FindMaterialTakesTheLastMatchAndFallsBackToZero) {
    MaterialList list;
    EXPECT_EQ(findMaterial(list, "Red\""), 0);
    for (const char* name : {"Red\"", "Blue\"", "Red\"", "Green\""}) {
        Material material;
        material.name = name;
        materialAppend(list, material);
    }
    EXPECT_EQ(findMaterial(list, "Red\""), 2);
    EXPECT_EQ(findMaterial(list, "Blue\""), 1);
    EXPECT_EQ(findMaterial(list, "red\""), 0);  // case-sensitive
    EXPECT_EQ(findMaterial(list, "Red"), 0);    // the closing quote is part of the name
}
