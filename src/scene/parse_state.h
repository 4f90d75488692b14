// The state of one scene-file parse, shared by the section readers (parser.cpp) and the mesh
// reader (mesh_block.cpp). Not part of the scene library's interface.
//
// Every block line is matched without checking its result, so a value that a line fails to
// set keeps what the working record of its kind held from the previous block; the records
// start zeroed, so the first block of a kind falls back to zero, never to garbage.
#pragma once

#include <string>
#include <string_view>

#include "scene/load_log.h"
#include "scene/pattern.h"
#include "scene/scene.h"

struct WorkingRecords {
    Material material;
    Camera camera;
    Light light;
    TriMesh mesh;
    float rotationAngle = 0;  // degrees
    Vec3 rotationAxis{};
    int vertexCount = 0;
    int surfaceCount = 0;
    int triangleCount = 0;
    std::string surfaceMaterialName;
};

struct SceneParser {
    TextCursor in;
    Scene& scene;
    const std::string& sceneFolder;
    LoadLog log;
    WorkingRecords working;
};

// Reads one TRIMESH block after its header (whose name is already in working.mesh.name),
// appends the mesh and logs its lines.
void readMeshBlock(SceneParser& parser);

// Text from the file for an error line: in single quotes, control characters shown as '?',
// cut after 40 characters with "..." so that a runaway name cannot flood the console.
std::string quotedForLog(std::string_view text);
