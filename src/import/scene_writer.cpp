#include "import/scene_writer.h"

#include <charconv>

namespace {

// The shortest text that reads back (strtof) as exactly this float: the same float as nine
// significant digits give, in fewer characters and far less time.
void appendNumber(std::string& out, float value) {
    char text[32];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    out.append(text, end.ptr);
}

void appendInteger(std::string& out, long long value) {
    char text[24];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    out.append(text, end.ptr);
}

std::string number(float value) {
    std::string text;
    appendNumber(text, value);
    return text;
}

void appendNumbers(std::string& out, std::initializer_list<float> values) {
    bool first = true;
    for (float value : values) {
        if (!first) out += ' ';
        first = false;
        appendNumber(out, value);
    }
}

std::string numbers(std::initializer_list<float> values) {
    std::string text;
    appendNumbers(text, values);
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

// Vertices and triangles are most of a large model's file: appended in place, without
// temporary strings.
void writeMesh(std::string& out, const ImportedMesh& mesh, const std::string& materialName) {
    out += "TRIMESH \"" + mesh.name + "\"\n";
    out += "\tPOSITION: 0 0 0\n\tROTATION: 0 0 1 0\n\tROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1\n";
    out += "\tVERTEXCOUNT ";
    appendInteger(out, static_cast<long long>(mesh.vertices.size()));
    out += '\n';
    for (const ImportedVertex& v : mesh.vertices) {
        out += "\t\tPOSITION: ";
        appendNumbers(out, {v.position.x, v.position.y, v.position.z});
        out += " NORMAL: ";
        appendNumbers(out, {v.normal.x, v.normal.y, v.normal.z});
        out += " TEXCOORD: ";
        appendNumbers(out, {v.texCoord.x, v.texCoord.y});
        out += '\n';
    }
    out += "\tMATERIALCOUNT 1\n\t\tMATERIAL \"" + materialName + "\"\n";
    out += "\t\tTRIANGLECOUNT ";
    appendInteger(out, static_cast<long long>(mesh.indices.size() / 3));
    out += '\n';
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        out += "\t\t";
        appendInteger(out, mesh.indices[i]);
        out += ' ';
        appendInteger(out, mesh.indices[i + 1]);
        out += ' ';
        appendInteger(out, mesh.indices[i + 2]);
        out += '\n';
    }
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
