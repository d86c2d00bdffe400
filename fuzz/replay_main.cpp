// Drives a libFuzzer entry point without libFuzzer: every seed file, mutations of the seeds and
// plain random garbage, under the sanitizers of the test build. Deterministic, bounded in time.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> loadSeeds(const char* dir) {
  std::vector<Bytes> seeds;
  std::error_code ec;
  if (!dir || !std::filesystem::is_directory(dir, ec)) return seeds;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, ec)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

void run(const Bytes& b) {
  // Copy into an exact-size heap block so that ASan sees any read past the end.
  std::vector<uint8_t> exact(b);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
}

Bytes mutate(Bytes b, std::mt19937& rng) {
  std::uniform_int_distribution<int> op(0, 5);
  const int rounds = 1 + static_cast<int>(rng() % 8);
  for (int r = 0; r < rounds; ++r) {
    switch (op(rng)) {
      case 0:
        if (!b.empty()) b[rng() % b.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      case 1:
        if (!b.empty()) b.resize(rng() % b.size());
        break;
      case 2:
        b.insert(b.begin() + static_cast<long>(b.empty() ? 0 : rng() % b.size()),
                 static_cast<uint8_t>(rng()));
        break;
      case 3:
        if (!b.empty()) b[rng() % b.size()] = static_cast<uint8_t>(rng());
        break;
      case 4:  // interesting values: 0, 0xFF, 0x7F, 0x80
        if (!b.empty()) {
          static constexpr uint8_t kValues[] = {0, 0xFF, 0x7F, 0x80};
          b[rng() % b.size()] = kValues[rng() % 4];
        }
        break;
      default:
        if (!b.empty()) {
          const size_t from = rng() % b.size();
          const size_t len = rng() % (b.size() - from + 1);
          b.insert(b.end(), b.begin() + static_cast<long>(from),
                   b.begin() + static_cast<long>(from + len));
        }
    }
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const auto seeds = loadSeeds(argc > 1 ? argv[1] : nullptr);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::mt19937 rng(12345);
  run({});
  for (const auto& s : seeds) run(s);
  long iterations = 0;
  for (; iterations < 20000 && std::chrono::steady_clock::now() < deadline; ++iterations) {
    Bytes input;
    if (!seeds.empty() && iterations % 4 != 0) {
      input = mutate(seeds[rng() % seeds.size()], rng);
    } else {
      input.resize(rng() % 2048);
      for (auto& c : input) c = static_cast<uint8_t>(rng());
    }
    run(input);
  }
  std::printf("replayed %zu seeds and %ld generated inputs\n", seeds.size(), iterations);
  return 0;
}
