#include "tests/layers/IncludeLayers.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace layercheck {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeading = "## Include layers";

std::vector<std::string> Cells(const std::string& row) {
    std::vector<std::string> cells;
    std::stringstream in(row);
    for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
    return cells;
}

std::vector<std::string> BacktickedNames(const std::string& cell) {
    static const std::regex name("`([^`]+)`");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(cell.begin(), cell.end(), name);
         it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1]);
    }
    return names;
}

bool IsCppFile(const fs::path& path) {
    const std::string name = path.filename().string();
    return name.ends_with(".h") || name.ends_with(".cpp") || name.ends_with(".h.in");
}

void ScanFile(const fs::path& root, const fs::path& file, int rank, const LayerTable& table,
              std::vector<UpwardInclude>& found) {
    static const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::ifstream in(file);
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        std::smatch match;
        if (!std::regex_search(text, match, include)) continue;
        const std::optional<int> target = table.RankOf(match[1].str());
        if (target && *target > rank) {
            found.push_back({fs::relative(file, root).generic_string(), line, match[1]});
        }
    }
}

}  // namespace

const LayerFolder* LayerTable::FolderOf(std::string_view path) const {
    const LayerFolder* longest = nullptr;
    for (const LayerFolder& folder : folders) {
        if (path.starts_with(folder.prefix) &&
            (longest == nullptr || folder.prefix.size() > longest->prefix.size())) {
            longest = &folder;
        }
    }
    return longest;
}

std::optional<int> LayerTable::RankOf(std::string_view path) const {
    const LayerFolder* folder = FolderOf(path);
    return folder != nullptr ? std::optional<int>(folder->rank) : std::nullopt;
}

LayerTable ReadLayerTable(std::string_view markdown) {
    LayerTable table;
    std::stringstream in{std::string(markdown)};
    std::string line;
    while (std::getline(in, line) && line != kHeading) {
    }
    while (std::getline(in, line) && !line.starts_with("## ")) {
        const std::vector<std::string> cells = Cells(line);
        if (!line.starts_with('|') || cells.size() < 3) continue;
        const std::vector<std::string> names = BacktickedNames(cells[2]);
        if (names.empty()) continue;  // the heading and rule rows
        ++table.topRank;
        for (const std::string& name : names) table.folders.push_back({name, table.topRank});
    }
    return table;
}

std::vector<UpwardInclude> FindUpwardIncludes(const fs::path& root, const LayerTable& table) {
    std::vector<UpwardInclude> found;
    for (const LayerFolder& folder : table.folders) {
        const fs::path start = root / folder.prefix;
        if (folder.rank == table.topRank || !fs::is_directory(start)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(start)) {
            if (!entry.is_regular_file() || !IsCppFile(entry.path())) continue;
            const std::string relative = fs::relative(entry.path(), root).generic_string();
            // A file of a nested folder with its own row is scanned under that row.
            if (table.FolderOf(relative) != &folder) continue;
            ScanFile(root, entry.path(), folder.rank, table, found);
        }
    }
    return found;
}

}  // namespace layercheck
