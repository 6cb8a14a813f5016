// The settings store with many keys: reading its text, writing it back, and
// one value changed through the registry calls (read, change, replace).
//   registry_bench [Google Benchmark options]
// The argument is the number of keys; each holds two values, as the
// control's own key does.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/Registry.h"
#include "platform/RegistryFile.h"

namespace {

std::string StoreText(std::int64_t keys) {
    std::string text(win::registry::kRegistryFileHeader);
    text += "\r\n\r\n";
    for (std::int64_t key = 0; key < keys; ++key) {
        const std::string number = std::to_string(key);
        text += "[HKEY_CURRENT_USER\\Software\\Bench\\Key " + number + "]\r\n";
        text += "\"TemporaryFilesPath\"=\"Z:\\\\home\\\\u\\\\.cache\\\\Temp\\\\Low\\\\" + number +
                "\"\r\n";
        text += "\"Count\"=dword:0000002a\r\n\r\n";
    }
    return text;
}

void BM_ParseStore(benchmark::State& state) {
    const std::string text = StoreText(state.range(0));
    for (auto _ : state) {
        win::registry::Document document;
        benchmark::DoNotOptimize(win::registry::ParseRegistryText(text, document));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseStore)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_FormatStore(benchmark::State& state) {
    win::registry::Document document;
    win::registry::ParseRegistryText(StoreText(state.range(0)), document);
    for (auto _ : state) {
        benchmark::DoNotOptimize(win::registry::FormatRegistryText(document));
    }
}
BENCHMARK(BM_FormatStore)->Arg(20000)->Unit(benchmark::kMillisecond);

// A store file of that many keys in a private $XDG_CONFIG_HOME, removed at the end.
class ScopedStore {
public:
    explicit ScopedStore(std::int64_t keys) {
        char pattern[] = "/tmp/kiv-registry-bench.XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        folder_ = pattern;
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        std::string path;
        win::GetRegistryStorePath(path);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            const std::string text = StoreText(keys);
            std::fwrite(text.data(), 1, text.size(), file);
            std::fclose(file);
        }
    }
    ~ScopedStore() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    ScopedStore(const ScopedStore&) = delete;
    ScopedStore& operator=(const ScopedStore&) = delete;

private:
    std::string folder_;
};

void BM_SetValueInLargeStore(benchmark::State& state) {
    const ScopedStore store(state.range(0));
    win::HKEY key = nullptr;
    if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, "Software\\Bench\\Key 7", win::KEY_ALL_ACCESS,
                          &key) != 0) {
        state.SkipWithError("the store could not be opened");
        return;
    }
    win::DWORD count = 0;
    for (auto _ : state) {
        ++count;
        win::RegSetValueEx(key, "Count", win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&count),
                           sizeof count);
    }
    win::RegCloseKey(key);
}
BENCHMARK(BM_SetValueInLargeStore)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
