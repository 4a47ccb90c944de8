// Runs a fuzz target over saved inputs without libFuzzer, so that the normal
// and the sanitizer builds replay every corpus file. Arguments: folders of
// files, replayed in name order.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i)
        for (const auto& e : std::filesystem::directory_iterator(argv[i])) inputs.push_back(e.path());
    std::sort(inputs.begin(), inputs.end());
    for (const auto& p : inputs) {
        std::ifstream in(p, std::ios::binary);
        const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        FUZZ_CHECK(in.good() || in.eof());
        std::fprintf(stderr, "%s\n", p.c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
