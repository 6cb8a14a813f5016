// The file digest as the verification phase runs it.
//   digest_bench FILE      one digest of FILE: its hex, wall and CPU seconds
//   digest_bench --micro   Google Benchmark: the digest of a 256 MiB file next
//                          to hashing memory alone, i.e. the read loop's cost
#include <benchmark/benchmark.h>
#include <cryptopp/sha.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "transfer/FileDigest.h"

using kivtransfer::FileDigest;

namespace {

constexpr std::size_t kMicroFileBytes = std::size_t{256} << 20;

bool WindowsPathOf(const std::string& nativeArgument, std::string& windowsPath) {
    std::error_code ignored;
    const std::filesystem::path native = std::filesystem::absolute(nativeArgument, ignored);
    return win::FromNativePath(native.string(), windowsPath);
}

int DigestOnce(const std::string& file) {
    std::string windowsPath;
    if (!WindowsPathOf(file, windowsPath)) {
        std::fprintf(stderr, "digest_bench: %s has no Windows form\n", file.c_str());
        return 2;
    }
    const CBenchClock clock;
    std::string digest;
    if (!FileDigest(windowsPath, digest)) {
        std::fprintf(stderr, "digest_bench: digest failed, error %u\n", win::GetLastError());
        return 1;
    }
    std::printf("digest %s\nseconds %.3f\ncpu_seconds %.3f\n", digest.c_str(), clock.WallSeconds(),
                clock.CpuSecondsSince());
    return 0;
}

// Hashing alone, in the digest's piece size: the ceiling for the file loop.
void BM_Sha256Memory(benchmark::State& state) {
    std::vector<CryptoPP::byte> piece(64 * 1024, 0x5A);
    CryptoPP::SHA256 hash;
    for (auto _ : state) {
        hash.Update(piece.data(), piece.size());
    }
    CryptoPP::byte digest[CryptoPP::SHA256::DIGESTSIZE];
    hash.Final(digest);
    benchmark::DoNotOptimize(digest);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * piece.size()));
}
BENCHMARK(BM_Sha256Memory);

class MicroFile {
public:
    MicroFile() {
        char pattern[] = "/tmp/kiv-digest-bench.XXXXXX";
        const int fd = mkstemp(pattern);
        native_ = pattern;
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31);
        for (std::size_t done = 0; done < kMicroFileBytes; done += block.size()) {
            if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
        }
        close(fd);
        WindowsPathOf(native_, windows_);
    }
    ~MicroFile() { unlink(native_.c_str()); }
    const std::string& Windows() const { return windows_; }

private:
    std::string native_;
    std::string windows_;
};

void BM_FileDigest(benchmark::State& state) {
    static const MicroFile file;
    std::string digest;
    for (auto _ : state) {
        if (!FileDigest(file.Windows(), digest)) state.SkipWithError("digest failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMicroFileBytes));
}
BENCHMARK(BM_FileDigest)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strncmp(argv[1], "--", 2) != 0) {
        return DigestOnce(argv[1]);
    }
    if (argc < 2 || std::strcmp(argv[1], "--micro") != 0) {
        std::fputs("usage: digest_bench FILE | digest_bench --micro [benchmark options]\n", stderr);
        return 2;
    }
    argv[1] = argv[0];  // Google Benchmark reads its own options after the program name
    int benchmarkArgc = argc - 1;
    benchmark::Initialize(&benchmarkArgc, argv + 1);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
