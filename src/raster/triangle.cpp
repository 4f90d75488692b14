#include "raster/triangle.h"
void drawTriangle(Vertex, Vertex, Vertex, const SceneLighting&, RenderContext&) {}
