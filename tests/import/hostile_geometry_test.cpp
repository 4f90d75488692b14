// Geometry that used to stall or poison an import, through the command: the largest polygon
// a model may hold, and coordinates too large to draw.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sstream>

#include "support/files.h"
#include "support/process.h"

TEST(HostileGeometry, TheLargestPolygonImportsInBoundedTime) {
    TempFolder folder;
    std::ostringstream obj;
    const int corners = 32767;
    for (int i = 0; i < corners; ++i) {
        double angle = 2 * 3.14159265358979 * i / corners, radius = i % 2 ? 0.9 : 1.0;
        obj << "v " << radius * std::cos(angle) << ' ' << radius * std::sin(angle) << " 0\n";
    }
    obj << 'f';
    for (int i = 1; i <= corners; ++i) obj << ' ' << i;
    obj << '\n';
    writeTextFile(folder.file("star.obj"), obj.str());
    auto begin = std::chrono::steady_clock::now();
    int status = runProgram({QUELMAR_IMPORT_COMMAND, "-o", folder.file("star.txt"), folder.file("star.obj")}, folder.file("log"));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const std::string log = readTextFile(folder.file("log"));
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("  triangles: 32765\n"), std::string::npos) << log;
    EXPECT_LT(seconds, 10.0);  // reading the text included; the cutting itself takes well under a second
}

TEST(HostileGeometry, CoordinatesTooLargeToDrawAreRefusedNamingTheMesh) {
    TempFolder folder;
    writeTextFile(folder.file("huge.obj"), "o Far\nv -3e38 0 0\nv 3e38 0 0\nv 0 3e38 0\nf 1 2 3\n");
    int status = runProgram({QUELMAR_IMPORT_COMMAND, "-o", folder.file("huge.txt"), folder.file("huge.obj")}, folder.file("log"));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(readTextFile(folder.file("log")), "quelmar-import: cannot read '" + folder.file("huge.obj") +
                                                    "': mesh 'Far' has coordinates beyond 1e30, too large to draw; "
                                                    "scale the model down\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("huge.txt")));
}
