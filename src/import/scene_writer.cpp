#include "import/scene_writer.h"

#include <cstdio>

namespace {

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string numbers(std::initializer_list<float> values) {
    std::string text;
    for (float value : values) {
        if (!text.empty()) text += ' ';
        text += number(value);
    }
    return text;
}

std::string colour(Colour c) { return numbers({c.r, c.g, c.b, c.a}); }

void writeMaterial(std::string& out, const Material& m) {
    out += "MATERIAL \"" + m.name + "\"\n";
    out += "\tAMBIENT: " + colour(m.ambient) + "\n";
    out += "\tDIFFUSE: " + colour(m.diffuse) + "\n";
    out += "\tSPECULAR: " + colour(m.specular) + "\n";
    out += "\tSHININESS: " + number(m.shininess) + "\n";
    out += "\tTEXTUREMAP: " + m.textureMapName + "\n";
    out += "\tNORMALMAP: " + m.normalMapName + "\n";
}

void writeCamera(std::string& out, const Camera& c, int number) {
    static const char* const names[] = {"Three-quarter", "Front", "Side", "Top"};
    out += "CAMERA \"" + std::string(number < 4 ? names[number] : "Camera") + "\"\n";
    out += "\tPOSITION: " + numbers({c.position.x, c.position.y, c.position.z}) + "\n";
    out += "\tROTATION: " + numbers({c.rotation.x, c.rotation.y, c.rotation.z}) + "\n";
    out += "\tFIELDOFVIEW: " + ::number(c.fieldOfView) + "\n";
    out += "\tNEARPLANE: " + ::number(c.nearPlane) + "\n";
    out += "\tFARPLANE: " + ::number(c.farPlane) + "\n";
}

void writeLight(std::string& out, const Light& l, int number) {
    out += "LIGHT \"" + std::string(number == 0 ? "Key" : "Fill") + "\"\n";
    out += "\tPOSITION: " + numbers({l.position.x, l.position.y, l.position.z}) + "\n";
    out += "\tCOLOUR: " + colour(l.colour) + "\n";
}

void writeMesh(std::string& out, const ImportedMesh& mesh, const std::string& materialName) {
    out += "TRIMESH \"" + mesh.name + "\"\n";
    out += "\tPOSITION: 0 0 0\n\tROTATION: 0 0 1 0\n\tROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1\n";
    out += "\tVERTEXCOUNT " + std::to_string(mesh.vertices.size()) + "\n";
    for (const ImportedVertex& v : mesh.vertices) {
        out += "\t\tPOSITION: " + numbers({v.position.x, v.position.y, v.position.z});
        out += " NORMAL: " + numbers({v.normal.x, v.normal.y, v.normal.z});
        out += " TEXCOORD: " + numbers({v.texCoord.x, v.texCoord.y}) + "\n";
    }
    out += "\tMATERIALCOUNT 1\n\t\tMATERIAL \"" + materialName + "\"\n";
    out += "\t\tTRIANGLECOUNT " + std::to_string(mesh.indices.size() / 3) + "\n";
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3)
        out += "\t\t" + std::to_string(mesh.indices[i]) + ' ' + std::to_string(mesh.indices[i + 1]) + ' ' +
               std::to_string(mesh.indices[i + 2]) + '\n';
}

}  // namespace

std::string safeName(const std::string& name, const std::string& fallback, std::set<std::string>& taken) {
    std::string safe = name.empty() ? fallback : name;
    for (char& c : safe) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == '"' || u == 127) c = '_';
    }
    std::string unique = safe;
    for (int n = 2; taken.count(unique) > 0; ++n)
        unique = safe + "-" + std::to_string(n);
    taken.insert(unique);
    return unique;
}

std::string sceneText(const SceneDescription& scene) {
    std::string out = "VIEWPORT\nMIN: 0 0\nMAX: " + std::to_string(scene.viewportWidth) + ' ' +
                      std::to_string(scene.viewportHeight) + "\n";
    for (const Material& m : scene.materials) writeMaterial(out, m);
    for (std::size_t i = 0; i < scene.cameras.size(); ++i) writeCamera(out, scene.cameras[i], static_cast<int>(i));
    for (std::size_t i = 0; i < scene.lights.size(); ++i) writeLight(out, scene.lights[i], static_cast<int>(i));
    out += "SCENEAMBIENCE: " + colour(scene.ambience) + "\n";
    out += "SCENEATTENUATION: 1 0 0\n";
    for (const ImportedMesh& mesh : scene.meshes) writeMesh(out, mesh, scene.materials[mesh.material].name);
    return out;
}
