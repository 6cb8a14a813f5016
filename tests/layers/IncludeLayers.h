#pragma once
// The include-layer rule of docs/architecture.md: a file may include files of
// its own layer and of the layers above it in the table ("Include layers"),
// never one below. Reads files as text; runs nothing.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace layercheck {

struct LayerFolder {
    std::string prefix;  // "ui/text/"
    int rank = 0;        // the table row: lower ranks sit lower
};

struct LayerTable {
    std::vector<LayerFolder> folders;
    int topRank = 0;  // the last row: never scanned, only included by nothing

    // The row folder that is the longest prefix of `path` (relative to the
    // tree's root); null when no row names it.
    const LayerFolder* FolderOf(std::string_view path) const;
    std::optional<int> RankOf(std::string_view path) const;
};

// The table under the heading "## Include layers": one row a rank, its
// folders the backticked names of the second column. Empty when absent.
LayerTable ReadLayerTable(std::string_view markdown);

struct UpwardInclude {
    std::string file;  // relative to the root
    int line = 0;
    std::string included;
};

// Every `#include "..."` in the C++ files (.h, .cpp, .h.in) below the folders
// of every row but the last that names a file of a higher rank. An include
// that no row names (a file of the same folder, or outside the tree) passes.
std::vector<UpwardInclude> FindUpwardIncludes(const std::filesystem::path& root,
                                              const LayerTable& table);

}  // namespace layercheck
