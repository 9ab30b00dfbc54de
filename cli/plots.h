#pragma once

#include <cstddef>
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

// The module's entry: DrawFigure, then hands `sink` the file's bytes and returns true, or the
// reason and returns false. The module copies nothing into the caller's objects: the command
// carries a C++ runtime of its own, the module the system's, and memory one of them allocated
// is not the other's to free.
using FigureSink = void (*)(void* context, const char* data, std::size_t size);
using DrawFigureEntry = bool (*)(const Figure* figure, int format, FigureSink sink, void* context);
inline constexpr const char* kPlotModule = "libbrixel_plots.so";
inline constexpr const char* kDrawFigureEntry = "brixel_draw_figure";

}  // namespace brixel::cli
