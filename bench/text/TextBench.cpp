// The two text operations that run while the program is used: reading the font, which every relayout
// does, and laying out a whole text, which every typed key does. Run from the assets folder, since a
// label reads "newarial.fnt" from the working directory.
#include "text/BitmapFont.h"
#include "text/TextLabel.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

void ParseNewArial(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseFontFile(L"newarial.fnt", 800, 600));
  }
}
BENCHMARK(ParseNewArial)->Unit(benchmark::kMicrosecond);

// Lines of ordinary words with kerned pairs, the kind of text the box holds.
std::wstring ThousandCharacters() {
  const std::wstring line = L"The quick brown fox jumps over the lazy dog. AVATAR Typewriter 0123456789\r";
  std::wstring text;
  while (text.size() < 1000) {
    text += line;
  }
  text.resize(1000);
  return text;
}

void SetTextOfAThousandCharacters(benchmark::State& state) {
  TextLabel label(800.0f, 600.0f, 500.0f, 0.0f, 200.0f, 70.0f);
  const std::wstring text = ThousandCharacters();
  for (auto _ : state) {
    label.SetText(text);
    benchmark::DoNotOptimize(label.InstanceCount);
  }
  state.counters["records"] = static_cast<double>(label.InstanceCount - 1);
}
BENCHMARK(SetTextOfAThousandCharacters)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::current_path(ENGINE_ASSETS_DIR);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
