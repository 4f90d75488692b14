#include "import/static_scene.h"

#include <assimp/scene.h>

namespace {

// Deletes an Assimp array of owned pointers and leaves it empty; true when it held any.
template <typename T>
bool dropAll(T**& items, unsigned& count) {
    bool any = count > 0;
    if (items)
        for (unsigned i = 0; i < count; ++i) delete items[i];
    delete[] items;
    items = nullptr;
    count = 0;
    return any;
}

}  // namespace

bool dropMotion(aiScene& scene) {
    bool dropped = dropAll(scene.mAnimations, scene.mNumAnimations);
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
        aiMesh& mesh = *scene.mMeshes[i];
        dropped |= dropAll(mesh.mBones, mesh.mNumBones);
        dropped |= dropAll(mesh.mAnimMeshes, mesh.mNumAnimMeshes);
    }
    return dropped;
}
