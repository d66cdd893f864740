// A main() for the fuzz targets when libFuzzer is not linked in (gcc, or
// any build without VIEWER_FUZZ): runs every file named on the command line,
// and every file in every directory named there, through the target once.
// Files whose names start with a dot are skipped (.gitkeep and the like).
//   fuzz_riff_replay fuzz/corpus/riff fuzz/crashes
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // A copy of exactly the input's size, so the sanitizers see any read past its end.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    std::fprintf(stderr, "%s (%zu bytes)\n", path.c_str(), exact.size());
    LLVMFuzzerTestOneInput(exact.data(), exact.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-DIRECTORY...\n", argv[0]);
        return 2;
    }
    size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(arg, ec))
                if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
                    files.push_back(entry.path());
            if (ec) {
                std::fprintf(stderr, "cannot list %s\n", arg.c_str());
                return 1;
            }
            std::sort(files.begin(), files.end());
            for (const auto& f : files) {
                if (!RunFile(f)) return 1;
                ++runs;
            }
        } else {
            if (!RunFile(arg)) return 1;
            ++runs;
        }
    }
    std::fprintf(stderr, "%zu inputs ran\n", runs);
    return 0;
}
