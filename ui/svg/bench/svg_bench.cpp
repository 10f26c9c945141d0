// Parsing speed of the application's logo and of a large generated drawing.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "svg_parser.h"

namespace {

std::string read_logo() {
  std::ifstream file(std::string(TW_SOURCE_DIR) + "/app/res/logo.svg", std::ios::binary);
  std::stringstream buffer;
  buffer << file.rdbuf();
  return buffer.str();
}

// About 200 KB of typical icon markup: nested groups with transforms, paths with curves
// and arcs, basic shapes, styles and skipped definitions.
std::string make_large_svg() {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 1000 1000\" width=\"500\" "
      "height=\"500\">\n<defs><linearGradient id=\"a\"><stop "
      "offset=\"0\"/></linearGradient></defs>\n";
  int i = 0;
  while (text.size() < 200 * 1024) {
    const int x = (i * 37) % 900, y = (i * 53) % 900;
    text += "<g transform=\"translate(" + std::to_string(x) + " " + std::to_string(y) +
            ") rotate(" + std::to_string(i % 360) + " 20 20)\" stroke-linecap=\"round\">\n";
    text +=
        "  <path d=\"M2 4c3.3 0 6 2.7 6 6s-2.7 6-6 6a6 6 0 0 1-6-6q2-8 6-6zM10 10l4 4h6v-3.5"
        "a2.5 2.5 0 1 0 5 0L25 2z\" fill=\"#3d84dd\" stroke=\"#1e1e1e\" stroke-width=\"1.5\"/>\n";
    text +=
        "  <rect x=\"1\" y=\"2\" width=\"30\" height=\"12\" rx=\"3\" style=\"fill: rgb(240, 240, "
        "245); stroke: currentColor; opacity: .8\"/>\n";
    text += "  <circle cx=\"16\" cy=\"16\" r=\"" + std::to_string(3 + i % 9) +
            "\" fill=\"none\" stroke=\"hsl(210, 70%, 55%)\"/>\n";
    text += "  <polygon points=\"0,0 12,4 8,12 3.5,9.25\" fill-rule=\"evenodd\"/>\n</g>\n";
    ++i;
  }
  text += "</svg>\n";
  return text;
}

void parse_text(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    auto image =
        orlan::svg::parse_svg(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    benchmark::DoNotOptimize(image);
    if (!image) state.SkipWithError("parse failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ParseLogo(benchmark::State& state) {
  static const std::string logo = read_logo();
  parse_text(state, logo);
}
BENCHMARK(BM_ParseLogo);

void BM_ParseLarge200K(benchmark::State& state) {
  static const std::string large = make_large_svg();
  parse_text(state, large);
}
BENCHMARK(BM_ParseLarge200K);

}  // namespace
