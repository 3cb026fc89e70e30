// Runs a fuzz target on every file of the folders named: its seeds and what
// long runs found, as a test of every build.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    if (files.empty()) {
        std::cerr << "no inputs\n";
        return 1;
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        // Named first, so that a crash shows which input it was.
        std::cout << path.filename().string() << std::endl;
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::cout << files.size() << " inputs\n";
    return 0;
}
