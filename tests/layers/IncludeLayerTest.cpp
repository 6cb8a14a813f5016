// The include-layer rule over the real tree, and over a planted tree that
// shows the check finds what it is for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/layers/IncludeLayers.h"

namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Field;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

auto Upward(const std::string& file, int line, const std::string& included) {
    using layercheck::UpwardInclude;
    return AllOf(Field(&UpwardInclude::file, file), Field(&UpwardInclude::line, line),
                 Field(&UpwardInclude::included, included));
}

TEST(IncludeLayerTest, NoProductFileIncludesALayerAboveItsOwn) {
    const fs::path root = KIV_SOURCE_DIR;
    const layercheck::LayerTable table =
        layercheck::ReadLayerTable(ReadText(root / "docs/architecture.md"));
    ASSERT_GE(table.topRank, 8) << "the table of docs/architecture.md was not found";
    ASSERT_EQ(table.RankOf("platform/WinTypes.h"), 1);
    for (const auto& found : layercheck::FindUpwardIncludes(root, table)) {
        ADD_FAILURE() << found.file << ":" << found.line << " includes \"" << found.included
                      << "\", a layer above its own";
    }
}

TEST(IncludeLayerTest, APlantedTreeShowsEveryUpwardIncludeAndNothingElse) {
    std::string folder = (fs::temp_directory_path() / "kiv-layers-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const fs::path root = folder;
    WriteText(root / "docs/architecture.md",
              "## Layers\n| x | `ui/` |\n\n## Include layers\n\n| Rank | Folders |\n|---|---|\n"
              "| 1 | `platform/` |\n| 2 | `transfer/` |\n| 3 | `ui/text/` |\n"
              "| 4 | `ui/`, `host/` |\n| 5 | `tests/` |\n\n## Threads\n| y | `platform/` |\n");
    WriteText(root / "platform/A.h", "#pragma once\n#include \"transfer/B.h\"\n");
    WriteText(root / "platform/deep/C.cpp",
              "// #include \"ui/W.h\" is only a comment\n  #  include \"tests/support/X.h\"\n");
    WriteText(root / "transfer/B.h",
              "#include \"platform/A.h\"\n#include \"B2.h\"\n#include <ui/W.h>\n");
    WriteText(root / "ui/W.cpp", "#include \"ui/text/T.h\"\n#include \"host/H.h\"\n");
    WriteText(root / "ui/text/T.h", "#include \"transfer/B.h\"\n#include \"ui/W.h\"\n");
    WriteText(root / "host/H.h.in", "#include \"ui/W.h\"\n#include \"tests/T.h\"\n");
    WriteText(root / "tests/T.cpp", "#include \"tests/T.h\"\n#include \"host/H.h\"\n");
    WriteText(root / "platform/notes.txt", "#include \"ui/W.h\"\n");

    const layercheck::LayerTable table =
        layercheck::ReadLayerTable(ReadText(root / "docs/architecture.md"));
    EXPECT_EQ(table.topRank, 5);
    auto found = layercheck::FindUpwardIncludes(root, table);
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.file < b.file; });
    EXPECT_THAT(found, ElementsAre(Upward("host/H.h.in", 2, "tests/T.h"),
                                   Upward("platform/A.h", 2, "transfer/B.h"),
                                   Upward("platform/deep/C.cpp", 2, "tests/support/X.h"),
                                   Upward("ui/text/T.h", 2, "ui/W.h")));
    fs::remove_all(root);
}

}  // namespace
