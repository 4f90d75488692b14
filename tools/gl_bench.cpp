// quelmar-gl-bench: draws a scene file with OpenGL, for timing the renderer against a software
// OpenGL (Mesa's llvmpipe) on the same work. It needs no window or X server (EGL, surfaceless).
//
//     quelmar-gl-bench [-s WxH] [-f FRAMES] [-o FILE.png] SCENE
//
// The scene is loaded by Quelmar's own loader (placement, tangents, images), so both draw the
// same vertices from the same camera. Each frame clears to the viewport's light blue, draws
// every surface with per-pixel lighting as Quelmar's Phong mode does (ambient, then per light
// n.l diffuse from the texture, a Phong specular power, attenuation; tangent-space normal
// maps; bilinear repeating textures without mipmaps; back faces culled; depth tested), and
// reads the finished frame back into host memory as float RGBA, as Quelmar's frame ends in
// a float RGBA buffer. The pictures are close to Quelmar's, not identical: OpenGL has its own
// coverage rules and arithmetic. Prints the frame times as quelmar-render -f does; the first
// five frames are not counted (shader compilation, first uploads).
#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/image_file.h"
#include "pipeline/camera.h"
#include "scene/parser.h"

namespace {

constexpr int kWarmUpFrames = 5;

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 normal;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in vec4 tangent;
uniform mat4 model;
uniform mat4 viewProjection;
out vec3 worldPosition;
out vec3 worldNormal;
out vec3 worldTangent;
out vec2 uv;
void main() {
    vec4 world = model * vec4(position.xyz, 1.0);
    worldPosition = world.xyz;
    worldNormal = (model * vec4(normal.xyz, 0.0)).xyz;
    worldTangent = (model * vec4(tangent.xyz, 0.0)).xyz;
    uv = texCoord;
    gl_Position = viewProjection * world;
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec3 worldPosition;
in vec3 worldNormal;
in vec3 worldTangent;
in vec2 uv;
uniform sampler2D diffuseMap;
uniform sampler2D normalMap;
uniform bool textured;
uniform bool normalMapped;
uniform vec4 ambient;
uniform vec4 diffuse;
uniform vec4 specular;
uniform float shininess;
uniform vec3 eye;
uniform vec3 attenuation;
uniform int lightCount;
uniform vec3 lightPosition[8];
uniform vec4 lightColour[8];
out vec4 colour;
void main() {
    vec3 n = normalize(worldNormal);
    if (normalMapped) {
        vec3 t = normalize(worldTangent);
        vec3 b = normalize(cross(worldNormal, worldTangent));
        vec3 texel = normalize(texture(normalMap, uv).rgb * 2.0 - 1.0);
        n = normalize(t * texel.x + b * texel.y + worldNormal * texel.z);
    }
    vec4 base = textured ? texture(diffuseMap, uv) : diffuse;
    vec3 toEye = normalize(eye - worldPosition);
    vec4 sum = vec4(0.0);
    for (int i = 0; i < lightCount; ++i) {
        vec3 toLight = lightPosition[i] - worldPosition;
        float distance = length(toLight);
        toLight /= distance;
        float nDotL = dot(toLight, n);
        if (!(nDotL > 0.0)) continue;
        vec3 reflected = n * (2.0 * nDotL) - toLight;
        float rDotV = dot(reflected, toEye);
        vec4 lit = base * nDotL + (rDotV > 0.0 ? specular * pow(rDotV, shininess) : vec4(0.0, 0.0, 0.0, 1.0));
        lit *= lightColour[i];
        lit /= (distance * attenuation.z) * distance + distance * attenuation.y + attenuation.x;
        sum += lit;
    }
    colour = ambient + sum;
}
)";

struct Options {
    int width = 0, height = 0;  // 0: the viewport maximum plus 40, as quelmar-render
    int frames = 30;
    std::string output, scene;
};

int usage() {
    std::cerr << "Usage: quelmar-gl-bench [-s WxH] [-f FRAMES] [-o FILE.png] SCENE\n";
    return 2;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "-s" && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &options.width, &options.height) != 2 || options.width < 1 ||
                options.height < 1 || options.width > 16384 || options.height > 16384)
                return false;
        } else if (arg == "-f" && hasValue) {
            options.frames = std::atoi(argv[++i]);
            if (options.frames < 1 || options.frames > 100000) return false;
        } else if (arg == "-o" && hasValue) {
            options.output = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && options.scene.empty()) {
            options.scene = arg;
        } else {
            return false;
        }
    }
    return !options.scene.empty();
}

bool startGl() {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay display = getPlatformDisplay
                             ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                             : eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    // No surface and so no config: everything is drawn into a framebuffer object.
    const EGLConfig config = EGL_NO_CONFIG_KHR;
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                       EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                       EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    return context != EGL_NO_CONTEXT && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

GLuint compile(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::cerr << "quelmar-gl-bench: shader: " << log << "\n";
    }
    return shader;
}

GLuint makeProgram() {
    GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, kVertexShader));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, kFragmentShader));
    glLinkProgram(program);
    return program;
}

// An image as a float texture: bilinear, repeating, no mipmaps, as Quelmar samples.
GLuint uploadImage(const Image& image) {
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, image.width, image.height, 0, GL_RGBA, GL_FLOAT, image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return texture;
}

struct DrawnSurface {
    GLuint vertexArray;
    GLsizei indexCount;
    int materialIndex;
    Matrix4 model;
};

std::vector<DrawnSurface> uploadMeshes(const Scene& scene) {
    std::vector<DrawnSurface> drawn;
    for (const TriMesh& mesh : scene.meshes.items) {
        if (mesh.geometryIndex < 0 || mesh.geometryIndex >= static_cast<int>(scene.meshes.geometry.size())) continue;
        const MeshGeometry& geometry = scene.meshes.geometry[static_cast<size_t>(mesh.geometryIndex)];
        GLuint buffer;
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(geometry.vertices.size() * sizeof(Vertex)),
                     geometry.vertices.data(), GL_STATIC_DRAW);
        for (const Surface& surface : geometry.surfaces) {
            DrawnSurface s{0, static_cast<GLsizei>(surface.indices.size() / 3 * 3), surface.materialIndex,
                           mesh.modelMatrix};
            glGenVertexArrays(1, &s.vertexArray);
            glBindVertexArray(s.vertexArray);
            glBindBuffer(GL_ARRAY_BUFFER, buffer);
            auto attribute = [](GLuint location, GLint size, std::size_t offset) {
                glEnableVertexAttribArray(location);
                glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                                      reinterpret_cast<const void*>(offset));
            };
            attribute(0, 4, offsetof(Vertex, position));
            attribute(1, 4, offsetof(Vertex, normal));
            attribute(2, 2, offsetof(Vertex, texCoord));
            attribute(3, 4, offsetof(Vertex, tangent));
            GLuint indices;
            glGenBuffers(1, &indices);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(s.indexCount * sizeof(int)),
                         surface.indices.data(), GL_STATIC_DRAW);
            drawn.push_back(s);
        }
    }
    return drawn;
}

GLint at(GLuint program, const char* name) { return glGetUniformLocation(program, name); }

void setLighting(GLuint program, const SceneLighting& lighting) {
    const int count = std::min<int>(static_cast<int>(lighting.lights.size()), 8);
    glUniform1i(at(program, "lightCount"), count);
    for (int i = 0; i < count; ++i) {
        const Light& l = lighting.lights[static_cast<size_t>(i)];
        char name[32];
        std::snprintf(name, sizeof name, "lightPosition[%d]", i);
        glUniform3f(at(program, name), l.position.x, l.position.y, l.position.z);
        std::snprintf(name, sizeof name, "lightColour[%d]", i);
        glUniform4f(at(program, name), l.colour.r, l.colour.g, l.colour.b, l.colour.a);
    }
    glUniform3f(at(program, "eye"), lighting.eyePosition.x, lighting.eyePosition.y, lighting.eyePosition.z);
    glUniform3f(at(program, "attenuation"), lighting.attenuation.constant, lighting.attenuation.linear,
                lighting.attenuation.quadratic);
}

void setMaterial(GLuint program, const Scene& scene, const std::vector<GLuint>& textures, int index) {
    const std::vector<Material>& items = scene.materials.items;
    if (items.empty()) return;
    const Material& m = items[static_cast<size_t>(index >= 0 && index < static_cast<int>(items.size()) ? index : 0)];
    const Colour ambient = colourModulate(scene.lighting.ambience, m.ambient);
    glUniform4f(at(program, "ambient"), ambient.r, ambient.g, ambient.b, ambient.a);
    glUniform4f(at(program, "diffuse"), m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a);
    glUniform4f(at(program, "specular"), m.specular.r, m.specular.g, m.specular.b, m.specular.a);
    glUniform1f(at(program, "shininess"), m.shininess);
    const bool textured = m.textureMap > 0 && static_cast<size_t>(m.textureMap) < textures.size();
    const bool normalMapped = m.normalMap > 0 && static_cast<size_t>(m.normalMap) < textures.size();
    glUniform1i(at(program, "textured"), textured);
    glUniform1i(at(program, "normalMapped"), normalMapped);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textured ? textures[static_cast<size_t>(m.textureMap)] : 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, normalMapped ? textures[static_cast<size_t>(m.normalMap)] : 0);
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r.m[i * 4 + j] += a.m[i * 4 + k] * b.m[k * 4 + j];
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) return usage();
    Scene scene = sceneCreate();
    RenderContext context;
    std::ostringstream log;
    if (!sceneLoad(scene, options.scene, context, {log, log})) {
        std::cerr << "quelmar-gl-bench: cannot read " << options.scene << "\n" << log.str();
        return 1;
    }
    const int width = options.width ? options.width : static_cast<int>(context.viewportMaxX) + 40;
    const int height = options.height ? options.height : static_cast<int>(context.viewportMaxY) + 40;
    if (!startGl()) {
        std::cerr << "quelmar-gl-bench: no OpenGL 3.3 context through EGL (is Mesa installed?)\n";
        return 1;
    }
    GLuint frame, colour, depth;
    glGenFramebuffers(1, &frame);
    glBindFramebuffer(GL_FRAMEBUFFER, frame);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA32F, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32F, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::cerr << "quelmar-gl-bench: cannot make a " << width << "x" << height << " float frame\n";
        return 1;
    }
    // The viewport rectangle of the scene, as Quelmar maps normalised device coordinates.
    glViewport(static_cast<GLint>(context.viewportMinX), static_cast<GLint>(context.viewportMinY),
               static_cast<GLsizei>(context.viewportMaxX - context.viewportMinX),
               static_cast<GLsizei>(context.viewportMaxY - context.viewportMinY));
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);

    const GLuint program = makeProgram();
    glUseProgram(program);
    glUniform1i(at(program, "diffuseMap"), 0);
    glUniform1i(at(program, "normalMap"), 1);
    std::vector<GLuint> textures(scene.materials.images.entries.size(), 0);
    for (size_t i = 1; i < textures.size(); ++i)
        if (const Image* image = imageAt(scene.materials.images, static_cast<int>(i))) textures[i] = uploadImage(*image);
    const std::vector<DrawnSurface> surfaces = uploadMeshes(scene);

    const float aspect = (context.viewportMaxX - context.viewportMinX) / (context.viewportMaxY - context.viewportMinY);
    const Matrix4 projection = matrixPerspective(currentFieldOfView(scene.cameras), aspect,
                                                 currentNearPlane(scene.cameras), currentFarPlane(scene.cameras));
    std::vector<float> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    std::vector<double> milliseconds;
    for (int i = 0; i < options.frames + kWarmUpFrames; ++i) {
        auto start = std::chrono::steady_clock::now();
        // Quelmar's projection maps depth to 0..w; OpenGL clips at -w, so depth 0..1 becomes
        // 0.5..1 here, which keeps the order.
        const Matrix4 viewProjection = multiply(projection, currentViewMatrix(scene.cameras));
        scene.lighting.eyePosition = currentCameraPosition(scene.cameras);
        glClearColor(0.7f, 0.7f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUniformMatrix4fv(at(program, "viewProjection"), 1, GL_TRUE, viewProjection.m);
        setLighting(program, scene.lighting);
        for (const DrawnSurface& s : surfaces) {
            glUniformMatrix4fv(at(program, "model"), 1, GL_TRUE, s.model.m);
            setMaterial(program, scene, textures, s.materialIndex);
            glBindVertexArray(s.vertexArray);
            glDrawElements(GL_TRIANGLES, s.indexCount, GL_UNSIGNED_INT, nullptr);
        }
        glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
        std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        if (i >= kWarmUpFrames) milliseconds.push_back(elapsed.count());
    }
    if (!options.output.empty()) {
        Image image = imageCreate(width, height);
        std::memcpy(image.pixels.data(), pixels.data(), pixels.size() * sizeof(float));
        std::string why;
        if (!writePng(image, options.output, why)) {
            std::cerr << "quelmar-gl-bench: " << why << "\n";
            return 1;
        }
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("Frames: %d, ms per frame: min %.2f, median %.2f, max %.2f\n", options.frames, milliseconds.front(),
                milliseconds[milliseconds.size() / 2], milliseconds.back());
    return 0;
}
