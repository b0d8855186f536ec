// Replays a fuzz target's corpus without libFuzzer: every file of the given folders goes through
// the target once. A target that finds a fault aborts; a folder without inputs fails too, so a
// corpus that went missing cannot pass for a clean one.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int replayed = 0;
    for (int arg = 1; arg < argc; ++arg) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[arg])) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
            std::printf("%s (%zu bytes)\n", entry.path().string().c_str(), bytes.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++replayed;
        }
    }
    std::printf("%d inputs replayed without a finding\n", replayed);
    return replayed > 0 ? 0 : 1;
}
