// Replays a libFuzzer corpus (files or directories given on the command line)
// through LLVMFuzzerTestOneInput, so every seed runs as a plain test in any
// build tree, sanitized or not.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
int replayFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  int files = 0;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
        if (entry.is_regular_file()) {
          failures += replayFile(entry.path());
          ++files;
        }
      }
    } else {
      failures += replayFile(arg);
      ++files;
    }
  }
  if (files == 0) {
    std::fprintf(stderr, "no corpus files given\n");
    return 1;
  }
  std::printf("replayed %d corpus files\n", files);
  return failures == 0 ? 0 : 1;
}
