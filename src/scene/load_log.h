// Where loading writes its console lines: the scene and image read lines go to `out`, the
// image failures to `err`, and the scene file's own open failure to `failures` (to `out` when
// that is not set). The programs pass std::cout and std::cerr; a quiet run drops `out` but keeps
// the failures; tests pass string streams so they can compare the output byte for byte.
//
// A failure to open a file is followed by a line of its own giving the reason, indented by two
// blanks: "  path: reason".
#pragma once

#include <iostream>

struct LoadLog {
    std::ostream& out = std::cout;
    std::ostream& err = std::cerr;
    std::ostream* failures = nullptr;
};

// The stream the scene file's open failure goes to.
inline std::ostream& failureStream(const LoadLog& log) { return log.failures ? *log.failures : log.out; }
