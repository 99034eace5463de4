// Runs a libFuzzer entry point over every file of the given folders or files,
// so the native test suite exercises each fuzz target on its seed corpus.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int run_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 1;
}

int main(int argc, char** argv) {
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    if (std::filesystem::is_directory(p)) {
      for (auto& e : std::filesystem::recursive_directory_iterator(p))
        if (e.is_regular_file()) runs += run_file(e.path());
    } else if (std::filesystem::exists(p)) {
      runs += run_file(p);
    }
  }
  // An empty run means a missing corpus, which would hide a broken target.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("%d inputs replayed\n", runs);
  return runs > 0 ? 0 : 1;
}
