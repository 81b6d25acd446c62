// Benchmark: upload and download of a large file through kelvane-server on loopback, with the
// rates and the server's peak resident memory during each direction.
#include "bench/transfer/ServerChild.h"
#include "client/lib/CommandClient.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace kelvane::client;

namespace {
struct BenchOptions {
    std::string server;
    uint64_t size = 1ULL << 30;
    int repeat = 3;
};

bool parseOptions(int argc, char** argv, BenchOptions& options) {
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (i + 1 >= argc)
            return false;
        if (word == "--server")
            options.server = argv[++i];
        else if (word == "--size-mib")
            options.size = std::strtoull(argv[++i], nullptr, 10) << 20;
        else if (word == "--repeat")
            options.repeat = std::atoi(argv[++i]);
        else
            return false;
    }
    return options.size > 0 && options.repeat > 0;
}

std::string defaultServer(const char* self) {
    std::error_code error;
    auto own = std::filesystem::canonical("/proc/self/exe", error);
    if (!error)
        return (own.parent_path() / "kelvane-server").string();
    return std::filesystem::path(self).parent_path() / "kelvane-server";
}

double mebibytesPerSecond(uint64_t bytes, double seconds) {
    return static_cast<double>(bytes) / (1 << 20) / seconds;
}
} // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    options.server = defaultServer(argv[0]);
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "Usage: %s [--server PATH] [--size-mib N] [--repeat N]\n", argv[0]);
        return 2;
    }
    char folder[] = "/tmp/kelvane-bench-XXXXXX";
    if (!::mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string root = std::string(folder) + "/root";
    std::filesystem::create_directory(root);
    int status = 0;
    {
        ServerChild server;
        if (!server.start(options.server, root, std::string(folder) + "/registry.reg")) {
            std::fprintf(stderr, "%s\n", server.problem().c_str());
            std::filesystem::remove_all(folder);
            return 1;
        }
        ClientOptions clientOptions;
        clientOptions.port = server.port();
        CommandClient client(clientOptions);
        std::printf(
            "kelvane transfer benchmark: %llu MiB over 127.0.0.1, %d runs, server idle peak RSS %ld KiB\n",
            static_cast<unsigned long long>(options.size >> 20), options.repeat,
            server.peakMemoryKilobytes());

        for (int run = 1; run <= options.repeat && status == 0; ++run) {
            // Upload: the bytes are made as they are sent, so the client reads no disk.
            server.resetPeakMemory();
            uint64_t counter = 0;
            auto start = std::chrono::steady_clock::now();
            auto up = client.uploadFile("bench.bin", options.size, [&](char* buffer, size_t capacity) {
                std::memset(buffer, static_cast<int>(counter++ & 0xFF), capacity);
                return static_cast<int64_t>(capacity);
            });
            double upSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            long upPeak = server.peakMemoryKilobytes();
            if (!up.ok() || !up.value.stored()) {
                std::fprintf(stderr, "upload failed: %s (word %u)\n", up.message.c_str(), up.value.word);
                status = 1;
                break;
            }

            // Download: the bytes are counted and dropped, so the client writes no disk.
            server.resetPeakMemory();
            start = std::chrono::steady_clock::now();
            auto down = client.downloadFile("bench.bin", [](const char*, size_t) { return true; });
            double downSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            long downPeak = server.peakMemoryKilobytes();
            if (!down.ok() || down.value.bytes != options.size) {
                std::fprintf(stderr, "download failed: %s (%llu bytes)\n", down.message.c_str(),
                             static_cast<unsigned long long>(down.value.bytes));
                status = 1;
                break;
            }
            std::printf("run %d: upload %.0f MiB/s (%.2f s, server peak RSS %ld KiB), "
                        "download %.0f MiB/s (%.2f s, server peak RSS %ld KiB)\n",
                        run, mebibytesPerSecond(options.size, upSeconds), upSeconds, upPeak,
                        mebibytesPerSecond(options.size, downSeconds), downSeconds, downPeak);
            std::fflush(stdout);
        }
    }
    std::filesystem::remove_all(folder);
    return status;
}
