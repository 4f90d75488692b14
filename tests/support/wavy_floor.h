// A scene whose one mesh is large enough for the scene pass to share it out between threads.
#pragma once

#include <cmath>
#include <sstream>
#include <string>

// How the floor looks: the maps of both its materials (image names, or None) and its turn in
// degrees about the vertical axis.
struct WavyFloorLook {
    const char* textureMap = "None";
    const char* normalMap = "None";
    int turn = 0;
};

// A wavy floor of (cells + 1)^2 vertices, enough for the vertex stage and the clipper to share
// it out between threads. It runs from far ahead to behind the camera, so triangles are cut by
// the near and side planes; its waves turn some triangles away; and its cells alternate
// between two surfaces, so the queue switches material all along.
inline std::string wavyFloorScene(int cells, const WavyFloorLook& look = {}) {
    std::ostringstream out;
    out << "VIEWPORT\nMIN: 0 0\nMAX: 200 150\n";
    for (const char* m : {"MATERIAL \"Blue\"\n\tAMBIENT: 0.1 0.1 0.4 1\n\tDIFFUSE: 0.2 0.3 0.9 1\n",
                          "MATERIAL \"Red\"\n\tAMBIENT: 0.4 0.1 0.1 1\n\tDIFFUSE: 0.9 0.3 0.2 1\n"})
        out << m << "\tSPECULAR: 1 1 1 1\n\tSHININESS: 20\n\tTEXTUREMAP: " << look.textureMap << "\n\tNORMALMAP: "
            << look.normalMap << "\n";
    out << "CAMERA \"Low\"\n\tPOSITION: 0 0 4\n\tROTATION: -15 10 0\n\tFIELDOFVIEW: 60\n"
        << "\tNEARPLANE: 1\n\tFARPLANE: 100\n"
        << "LIGHT \"Lamp\"\n\tPOSITION: 3 4 2\n\tCOLOUR: 1 1 1 1\n"
        << "SCENEAMBIENCE: 0.2 0.2 0.2 1\nSCENEATTENUATION: 1 0 0\n"
        << "TRIMESH \"Floor\"\n\tPOSITION: 0 0 0\n\tROTATION: " << look.turn << " 0 1 0\n"
        << "\tROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1\n\tVERTEXCOUNT " << (cells + 1) * (cells + 1) << "\n";
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            double x = -12.0 + 24.0 * i / cells, z = 6.0 - 26.0 * j / cells;
            double y = -1.5 + 0.6 * std::sin(1.3 * x) * std::cos(0.9 * z);
            out << "\t\tPOSITION: " << x << " " << y << " " << z << " NORMAL: " << -0.5 * std::cos(1.3 * x) << " 1 "
                << 0.4 * std::sin(0.9 * z) << " TEXCOORD: " << static_cast<double>(i) / cells << " "
                << static_cast<double>(j) / cells << "\n";
        }
    out << "\tMATERIALCOUNT 2\n";
    for (int surface = 0; surface < 2; ++surface) {
        out << "\t\tMATERIAL \"" << (surface == 0 ? "Blue" : "Red") << "\"\n\t\tTRIANGLECOUNT "
            << cells * cells << "\n";
        // Rows from the middle column on, the second surface's from the far end: wherever the
        // threads' runs begin, their first triangles are in view.
        for (int row = 0; row < cells; ++row)
            for (int column = 0; column < cells; ++column) {
                const int j = surface == 0 ? row : cells - 1 - row, i = (column + cells / 2) % cells;
                if ((i / 6 + j / 6) % 2 != surface) continue;
                int a = j * (cells + 1) + i, b = a + 1, c = a + cells + 2, d = a + cells + 1;
                out << "\t\t" << a << " " << b << " " << c << "\n\t\t" << a << " " << c << " " << d << "\n";
            }
    }
    return out.str();
}


// One mesh of 12,288 triangles in two halves: a checkered floor in view and the same floor far
// to the left, wholly outside the view. With the outside half last, the last of the scene pass's
// runs (two or three) has no polygon at all; with it first, the first run has none. Either way
// the picture is the floor alone.
inline std::string splitMeshScene(bool outsideHalfFirst) {
    constexpr int kColumns = 48, kRows = 64, kGridVertices = (kColumns + 1) * (kRows + 1);
    std::ostringstream out;
    out << "VIEWPORT\nMIN: 0 0\nMAX: 160 120\n";
    for (const char* m : {"MATERIAL \"Green\"\n\tAMBIENT: 0.1 0.3 0.1 1\n\tDIFFUSE: 0.2 0.8 0.3 1\n",
                          "MATERIAL \"Grey\"\n\tAMBIENT: 0.2 0.2 0.2 1\n\tDIFFUSE: 0.6 0.6 0.6 1\n"})
        out << m << "\tSPECULAR: 1 1 1 1\n\tSHININESS: 12\n\tTEXTUREMAP: None\n\tNORMALMAP: None\n";
    out << "CAMERA \"Above\"\n\tPOSITION: 0 3 5\n\tROTATION: -30 0 0\n\tFIELDOFVIEW: 60\n"
        << "\tNEARPLANE: 1\n\tFARPLANE: 100\n"
        << "LIGHT \"Lamp\"\n\tPOSITION: 2 5 3\n\tCOLOUR: 1 1 1 1\n"
        << "SCENEAMBIENCE: 0.2 0.2 0.2 1\nSCENEATTENUATION: 1 0 0\n"
        << "TRIMESH \"Halves\"\n\tPOSITION: 0 0 0\n\tROTATION: 0 0 1 0\n"
        << "\tROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1\n\tVERTEXCOUNT " << 2 * kGridVertices << "\n";
    for (int grid = 0; grid < 2; ++grid) {
        const bool outside = (grid == 0) == outsideHalfFirst;
        for (int j = 0; j <= kRows; ++j)
            for (int i = 0; i <= kColumns; ++i)
                out << "\t\tPOSITION: " << (outside ? -1000.0 : 0.0) - 4.0 + 8.0 * i / kColumns << " "
                    << 0.2 * std::sin(0.7 * i) << " " << 2.0 - 9.0 * j / kRows << " NORMAL: 0 1 0 TEXCOORD: 0 0\n";
    }
    // The floor in view as two surfaces (a checker's squares), the outside one as one surface.
    struct Part {
        int grid;
        int squares;  // 0 or 1: that colour of the checker; 2: every square
        const char* material;
    };
    const int inside = outsideHalfFirst ? 1 : 0, outside = 1 - inside;
    const Part visible[2] = {{inside, 0, "Green"}, {inside, 1, "Grey"}}, hidden{outside, 2, "Grey"};
    const Part parts[3] = {outsideHalfFirst ? hidden : visible[0], outsideHalfFirst ? visible[0] : visible[1],
                           outsideHalfFirst ? visible[1] : hidden};
    out << "\tMATERIALCOUNT 3\n";
    for (const Part& part : parts) {
        int count = 0;
        std::ostringstream triangles;
        for (int j = 0; j < kRows; ++j)
            for (int i = 0; i < kColumns; ++i) {
                if (part.squares != 2 && (i / 4 + j / 4) % 2 != part.squares) continue;
                int a = part.grid * kGridVertices + j * (kColumns + 1) + i, b = a + 1, c = a + kColumns + 2,
                    d = a + kColumns + 1;
                triangles << "\t\t" << a << " " << b << " " << c << "\n\t\t" << a << " " << c << " " << d << "\n";
                count += 2;
            }
        out << "\t\tMATERIAL \"" << part.material << "\"\n\t\tTRIANGLECOUNT " << count << "\n" << triangles.str();
    }
    return out.str();
}
