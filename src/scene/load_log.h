// Where loading writes its console lines: the scene and image read lines go to `out`, the
// image failures to `err`, and the scene file's own open failure to `failures` (to `out` when
// that is not set). The programs pass std::cout and std::cerr; a quiet run drops `out` but keeps
// the failures; tests pass string streams so they can compare the output byte for byte.
//
// A failure to open a file is followed by a line of its own giving the reason, indented by two
// blanks: "  path: reason".
//
// The scene file's error lines ("ERROR: ..." with the line after each that locates it) and its
// warnings ("warning: scene.txt:12: ...") go to `failures` too, so a quiet run keeps them.
#pragma once

#include <iostream>

// What loading found wrong, for callers that act on it (such as a strict command line).
struct LoadProblems {
    int errors = 0;    // error lines, the scene file's open failure and image files not read
    int warnings = 0;  // warning lines
};

struct LoadLog {
    std::ostream& out = std::cout;
    std::ostream& err = std::cerr;
    std::ostream* failures = nullptr;
    LoadProblems* problems = nullptr;  // counted into when set
};

// The stream the scene file's open failure, error lines and warnings go to.
inline std::ostream& failureStream(const LoadLog& log) { return log.failures ? *log.failures : log.out; }
