#include "scene/parser.h"

// Placeholder until the parser lands.
void sceneLoad(Scene&, const std::string&, RenderContext&, LoadLog) {}
void sceneParse(Scene&, std::string_view, const std::string&, RenderContext&, LoadLog) {}
