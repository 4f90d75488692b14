// The worked example in docs/worked-example.md: each of its scenes, rendered by the real
// command, must give the picture stored beside it, and the page must quote each scene whole, so
// that neither the pictures nor the text drift from what the renderer does.
// QUELMAR_UPDATE_REFERENCES=1 rewrites the pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "core/image_file.h"
#include "support/files.h"
#include "support/image_compare.h"
#include "support/process.h"

TEST(DocsExamples, ScenesRenderAsShownAndThePageQuotesThemWhole) {
    const std::filesystem::path examples = sourceFolder() / "docs/examples";
    const std::string page = readTextFile((sourceFolder() / "docs/worked-example.md").string());
    const char* update = std::getenv("QUELMAR_UPDATE_REFERENCES");
    TempFolder folder;
    for (std::string name : {"triangle", "cube", "normal-map"}) {
        SCOPED_TRACE(name);
        const std::string scene = (examples / (name + ".txt")).string();
        EXPECT_NE(page.find("```\n" + readTextFile(scene) + "```\n"), std::string::npos)
            << "docs/worked-example.md does not quote " << scene << " whole";
        const std::string rendered = folder.file(name + ".png");
        ASSERT_EQ(runProgram({QUELMAR_RENDER_COMMAND, "-q", "-o", rendered, scene}, folder.file("log")), 0)
            << readTextFile(folder.file("log"));
        const std::string reference = (examples / (name + ".png")).string();
        if (update && std::string(update) == "1") std::filesystem::copy_file(
            rendered, reference, std::filesystem::copy_options::overwrite_existing);
        std::string why;
        std::optional<Image> actual = readPng(rendered, why), expected = readPng(reference, why);
        ASSERT_TRUE(actual && expected) << why;
        ImageComparison comparison = compareImages(*actual, *expected);
        EXPECT_TRUE(imagesMatch(comparison)) << describeComparison(comparison, *actual, *expected);
    }
}
