// Where loading writes its console lines: the scene and image read lines go to `out`, the
// image open failures to `err`. The programs pass std::cout and std::cerr; tests pass string
// streams so they can compare the output byte for byte.
#pragma once

#include <iostream>

struct LoadLog {
    std::ostream& out = std::cout;
    std::ostream& err = std::cerr;
};
