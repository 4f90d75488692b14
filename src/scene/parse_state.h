// The state of one scene-file parse, shared by the section readers (parser.cpp) and the mesh
// reader (mesh_block.cpp). Not part of the scene library's interface.
//
// Every block line is matched without checking its result, so a value that a line fails to
// set keeps what the working record of its kind held from the previous block; the records
// start zeroed, so the first block of a kind falls back to zero, never to garbage.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

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
    std::string blockName;  // of the light being read, for warnings
};

// The most recent place where a line pattern stopped short, and the first pattern that stopped
// there: when the parse later stalls at that place, this pattern is the one the author meant.
struct PatternFailure {
    std::size_t stop = std::string_view::npos;  // the first non-blank character not matched
    std::size_t start = 0;                      // the first non-blank character the pattern tried
    std::string_view pattern;
    bool stalled = false;  // the pattern took in part of the text: the parse cannot get past here
};

// A warning, kept until the load lines are all out and then printed in file order.
struct Warning {
    std::size_t offset;  // where in the file; its line number is counted when it is printed
    std::string text;
    bool partLine = false;  // a line that matched only in part (an error's location may say it instead)
};

// The messages of one parse. Line numbers are counted only when a message needs one, from the
// last place counted, so a file without problems never pays for them.
struct ParseMessages {
    std::string sourceName;
    PatternFailure lastFailure;
    std::vector<Warning> warnings;
    std::size_t warningsNotKept = 0;
    std::size_t countedUpTo = 0;
    int lineAtCounted = 1;
};

struct SceneParser {
    TextCursor in;
    Scene& scene;
    const std::string& sceneFolder;
    LoadLog log;
    WorkingRecords working;
    ParseMessages messages;
};

// How a block line matched: whole, not at all (its keyword is not there: the line is missing),
// or in part (the keyword or some of the values matched).
enum class LineFit { whole, missing, part };
struct LineMatch {
    int result = 0;
    LineFit fit = LineFit::whole;
    // Where matching began; for a line that did not match whole, the first non-blank
    // character there.
    std::size_t start = 0;
    bool afterStall = false;  // it began where an earlier line stalled the parse
};

// Matches one line pattern of the format, noting where it stopped short for the messages.
LineMatch matchLine(SceneParser& parser, std::string_view pattern, std::initializer_list<PatternTarget> targets = {});

// Prints an error line, then the line that locates it: "  scene.txt:12: 'the line': why". With
// no `why` the location is the place the parse last stalled and what the pattern tried there
// expected.
void reportError(SceneParser& parser, const std::string& errorLine, std::size_t at, const std::string& why);
void reportErrorAtLastFailure(SceneParser& parser, const std::string& errorLine, const std::string& note = {});

// A warning about the line holding `at`: "warning: scene.txt:12: text".
void warn(SceneParser& parser, std::size_t at, std::string text);
void printWarnings(SceneParser& parser);

// The file's text around `at`: the first non-blank character from there on, and the whole line
// holding a place (blanks at either end left out), quoted for a message.
std::size_t nextNonBlank(const SceneParser& parser, std::size_t at);
bool startsLine(const SceneParser& parser, std::size_t at);  // only blanks before it on its line
std::string quotedLine(const SceneParser& parser, std::size_t at);

// What a line pattern asks for, in words: "DIFFUSE: and four numbers".
std::string describePattern(std::string_view pattern);

// A name as it was written in the file: the closing quote the reader keeps is given back its
// opening one, "Red\"" shows as "\"Red\"".
std::string writtenName(const std::string& name);

// Counts an error for callers that act on errors, such as a strict command line.
void countError(SceneParser& parser);

// Reads one TRIMESH block after its header (whose name is already in working.mesh.name),
// appends the mesh and logs its lines.
void readMeshBlock(SceneParser& parser);

// Text from the file for an error line: in single quotes, control characters shown as '?',
// cut after `longest` characters with "..." so that a runaway name cannot flood the console.
std::string quotedForLog(std::string_view text, std::size_t longest = 40);
