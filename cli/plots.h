#pragma once

#include <string>

#include "cli/figures.h"

namespace brixel::cli {

enum class FigureFormat { kSvg, kPng };

// Draws the figure with PLplot and returns the file's bytes. Throws std::runtime_error when
// the drawing library reports a problem or the plotting module cannot be loaded.
std::string RenderFigure(const Figure& figure, FigureFormat format);

// The drawing itself. It lives in the plotting module (libbrixel_plots.so, beside the library),
// which RenderFigure loads when the first figure is asked for: linked into the command, PLplot
// and the libraries it needs would cost every run their memory.
std::string DrawFigure(const Figure& figure, FigureFormat format);

// The module's entry: DrawFigure into `bytes`, or false with the reason in `error`.
using DrawFigureEntry = bool (*)(const Figure* figure, int format, std::string* bytes,
                                 std::string* error);
inline constexpr const char* kPlotModule = "libbrixel_plots.so";
inline constexpr const char* kDrawFigureEntry = "brixel_draw_figure";

}  // namespace brixel::cli
