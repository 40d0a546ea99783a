// Runs a fuzz target's entry point over files and directories of inputs, for
// builds without libFuzzer: the seed corpus and every input that ever broke a
// property are replayed this way in the regular test suite.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The slowest input seen, so a long run's corpus can be checked for inputs
// that take too long.
double gSlowestSeconds = 0;
std::filesystem::path gSlowestInput;

bool replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  const auto start = std::chrono::steady_clock::now();
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  if (spent.count() > gSlowestSeconds) {
    gSlowestSeconds = spent.count();
    gSlowestInput = file;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (!entry.is_regular_file()) continue;
        if (!replay(entry.path())) return 1;
        ++count;
      }
    } else {
      if (!replay(path)) return 1;
      ++count;
    }
  }
  std::printf("replayed %zu inputs; slowest %.3f ms (%s)\n", count, gSlowestSeconds * 1e3,
              gSlowestInput.string().c_str());
  // An empty replay means the inputs went missing: that is a failure too.
  return count > 0 ? 0 : 1;
}
