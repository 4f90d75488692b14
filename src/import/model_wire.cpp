#include "import/model_wire.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

// The reply is read by the process that wrote it (parent and child of one program), so plain
// numbers and records of floats go as their bytes. Every record lists its fields once, in
// `fields`, for both directions.
//
// These sizes fail the build when a record gains a field: add the field to its `fields` below
// and to the round-trip test, then update the size here.
static_assert(sizeof(ImportedVertex) == 32 && std::is_trivially_copyable_v<ImportedVertex>);
static_assert(sizeof(ImportedMesh) == 112);
static_assert(sizeof(ImageReference) == 40);
static_assert(sizeof(ImportedMaterial) == 216);
static_assert(sizeof(EmbeddedImage) == 88);
static_assert(sizeof(ImportedModel) == 200);

constexpr char kMagic[4] = {'Q', 'M', 'R', '1'};

template <class T>
constexpr bool kPlainBytes = std::is_trivially_copyable_v<T> && !std::is_same_v<T, bool>;

template <class Codec, class Mesh>
void meshFields(Codec& c, Mesh& m) {
    c(m.name); c(m.vertices); c(m.indices); c(m.material); c(m.fileNormals); c(m.colours);
}
template <class Codec, class Reference>
void referenceFields(Codec& c, Reference& r) {
    c(r.name); c(r.embedded);
}
template <class Codec, class Material>
void materialFields(Codec& c, Material& m) {
    c(m.name); c(m.ambient); c(m.hasAmbient); c(m.diffuse); c(m.specular); c(m.shininess);
    referenceFields(c, m.diffuseMap); referenceFields(c, m.normalMap); referenceFields(c, m.bumpMap);
    c(m.twoSided);
}
template <class Codec, class Image>
void imageFields(Codec& c, Image& i) {
    c(i.name); c(i.compressed); c(i.width); c(i.height); c(i.rgba);
}
template <class Codec, class Model>
void modelFields(Codec& c, Model& m) {
    c.records(m.meshes, [&c](auto& mesh) { meshFields(c, mesh); });
    c.records(m.materials, [&c](auto& material) { materialFields(c, material); });
    c.records(m.embeddedImages, [&c](auto& image) { imageFields(c, image); });
    c(m.folder); c(m.filesRead); c(m.droppedTriangles); c(m.turnedMeshes);
    c(m.declaredUp); c(m.declaredUpSource);
}
template <class Codec, class Reply>
void replyFields(Codec& c, Reply& r) {
    c(r.read); c(r.outOfMemory); c(r.why); c(r.warnings);
    modelFields(c, r.model);
}

struct Writer {
    std::string bytes;

    void put(const void* data, std::size_t size) {
        if (size > 0) bytes.append(static_cast<const char*>(data), size);  // an empty vector's data may be null
    }
    void count(std::size_t n) {
        std::uint64_t value = n;
        put(&value, sizeof value);
    }
    template <class T>
        requires kPlainBytes<T>
    void operator()(const T& value) {
        put(&value, sizeof value);
    }
    void operator()(bool value) { bytes.push_back(value ? 1 : 0); }
    void operator()(const std::string& text) {
        count(text.size());
        put(text.data(), text.size());
    }
    template <class T>
        requires kPlainBytes<T>
    void operator()(const std::vector<T>& items) {
        count(items.size());
        put(items.data(), items.size() * sizeof(T));
    }
    void operator()(const std::vector<std::string>& texts) {
        count(texts.size());
        for (const std::string& text : texts) (*this)(text);
    }
    template <class T, class Each>
    void records(const std::vector<T>& items, Each each) {
        count(items.size());
        for (const T& item : items) each(item);
    }
};

struct Reader {
    std::string_view rest;
    bool failed = false;

    bool take(void* out, std::size_t size) {
        if (size == 0) return !failed;  // an empty vector's data may be null
        if (failed || size > rest.size()) {
            failed = true;
            return false;
        }
        std::memcpy(out, rest.data(), size);
        rest.remove_prefix(size);
        return true;
    }
    // A count of items of at least `itemSize` bytes each, never more than the bytes left hold.
    std::size_t count(std::size_t itemSize) {
        std::uint64_t n = 0;
        if (!take(&n, sizeof n) || n > rest.size() / itemSize) {
            failed = true;
            return 0;
        }
        return static_cast<std::size_t>(n);
    }
    template <class T>
        requires kPlainBytes<T>
    void operator()(T& value) {
        take(&value, sizeof value);
    }
    void operator()(bool& value) {
        std::uint8_t byte = 0;
        if (take(&byte, 1) && byte > 1) failed = true;
        value = byte == 1;
    }
    void operator()(std::string& text) {
        std::size_t n = count(1);
        text.assign(rest.data(), failed ? 0 : n);
        if (!failed) rest.remove_prefix(n);
    }
    template <class T>
        requires kPlainBytes<T>
    void operator()(std::vector<T>& items) {
        std::size_t n = count(sizeof(T));
        items.resize(failed ? 0 : n);
        take(items.data(), items.size() * sizeof(T));
    }
    void operator()(std::vector<std::string>& texts) {
        std::size_t n = count(sizeof(std::uint64_t));
        texts.resize(n);
        for (std::string& text : texts) (*this)(text);
    }
    template <class T, class Each>
    void records(std::vector<T>& items, Each each) {
        std::size_t n = count(sizeof(std::uint64_t));
        items.clear();
        for (std::size_t i = 0; i < n && !failed; ++i) each(items.emplace_back());
    }
};

bool finite(float value) { return std::isfinite(value); }
bool finite(Colour c) { return finite(c.r) && finite(c.g) && finite(c.b) && finite(c.a); }
bool finite(Vec3 v) { return finite(v.x) && finite(v.y) && finite(v.z); }
bool finite(Vec2 v) { return finite(v.x) && finite(v.y); }
bool moderate(Vec3 v) {
    return std::fabs(v.x) <= kLargestCoordinate && std::fabs(v.y) <= kLargestCoordinate &&
           std::fabs(v.z) <= kLargestCoordinate;
}

bool checkMesh(const ImportedMesh& mesh, std::size_t materials, std::string& why) {
    const std::string name = "mesh '" + mesh.name + "'";
    if (mesh.indices.size() % 3 != 0) return why = name + " has an incomplete triangle", false;
    for (int index : mesh.indices)
        if (index < 0 || static_cast<std::size_t>(index) >= mesh.vertices.size())
            return why = name + " has a corner index outside its vertices", false;
    if (mesh.material < 0 || static_cast<std::size_t>(mesh.material) >= materials)
        return why = name + " names a material that does not exist", false;
    for (const ImportedVertex& v : mesh.vertices) {
        if (!finite(v.position)) return why = name + " has coordinates that are not numbers", false;
        if (!moderate(v.position))
            return why = name + " has coordinates beyond 1e30, too large to draw; scale the model down", false;
        if (!finite(v.normal) || !finite(v.texCoord))
            return why = name + " has normals or texture coordinates that are not numbers", false;
    }
    if (!mesh.colours.empty() && mesh.colours.size() != mesh.vertices.size())
        return why = name + " has vertex colours for some vertices only", false;
    for (const Colour& colour : mesh.colours)
        if (!finite(colour)) return why = name + " has vertex colours that are not numbers", false;
    return true;
}

bool checkReference(const ImageReference& reference, std::size_t images) {
    return reference.embedded >= -1 && (reference.embedded < 0 || static_cast<std::size_t>(reference.embedded) < images);
}

bool checkImage(const EmbeddedImage& image) {
    if (!image.compressed.empty()) return image.width == 0 && image.height == 0 && image.rgba.empty();
    return image.width > 0 && image.height > 0 &&
           static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height) * 4 == image.rgba.size();
}

}  // namespace

std::string encodeReply(const ReaderReply& reply) {
    Writer writer;
    writer.put(kMagic, sizeof kMagic);
    replyFields(writer, reply);
    return std::move(writer.bytes);
}

std::optional<ReaderReply> decodeReply(std::string_view bytes, std::string& why) {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        why = "the reply does not start as a model";
        return std::nullopt;
    }
    Reader reader{bytes.substr(sizeof kMagic)};
    ReaderReply reply;
    replyFields(reader, reply);
    if (reader.failed || !reader.rest.empty()) {
        why = reader.failed ? "the reply ends early or holds an impossible count" : "the reply has bytes left over";
        return std::nullopt;
    }
    return reply;
}

bool checkModel(const ImportedModel& model, std::string& why) {
    // The reader sends only models with something to draw; the framing needs a triangle.
    bool anyTriangle = false;
    for (const ImportedMesh& mesh : model.meshes) anyTriangle = anyTriangle || mesh.indices.size() >= 3;
    if (!anyTriangle) {
        why = "the reply holds no triangle";
        return false;
    }
    for (const ImportedMesh& mesh : model.meshes)
        if (!checkMesh(mesh, model.materials.size(), why)) return false;
    for (const ImportedMaterial& m : model.materials) {
        if (!finite(m.ambient) || !finite(m.diffuse) || !finite(m.specular) || !finite(m.shininess)) {
            why = "material '" + m.name + "' has colours that are not numbers";
            return false;
        }
        if (!checkReference(m.diffuseMap, model.embeddedImages.size()) ||
            !checkReference(m.normalMap, model.embeddedImages.size()) ||
            !checkReference(m.bumpMap, model.embeddedImages.size())) {
            why = "material '" + m.name + "' names an embedded image that does not exist";
            return false;
        }
    }
    for (const EmbeddedImage& image : model.embeddedImages)
        if (!checkImage(image)) {
            why = "embedded image '" + image.name + "' has a size that does not match its data";
            return false;
        }
    if (model.droppedTriangles < 0 || model.turnedMeshes < 0) {
        why = "the reply holds negative counts";
        return false;
    }
    return true;
}
