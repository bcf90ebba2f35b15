// Runs every file of the folders (or files) given through the harness once, so the seed and
// finding corpora stay passing in the normal test suite without libFuzzer. A crash or sanitizer
// report ends the program; otherwise it prints how many inputs ran and exits 0.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize);

namespace {

void RunFile(const std::filesystem::path& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path root(argv[i]);
    if (std::filesystem::is_directory(root)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(root))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) RunFile(f), ++count;
    } else if (std::filesystem::is_regular_file(root)) {
      RunFile(root);
      ++count;
    } else {
      std::fprintf(stderr, "replay: %s is no file or folder\n", argv[i]);
      return 2;
    }
  }
  if (count == 0) {
    std::fprintf(stderr, "replay: no inputs\n");
    return 2;
  }
  std::printf("replay: %zu inputs ran\n", count);
  return 0;
}
