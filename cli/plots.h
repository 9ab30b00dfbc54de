#pragma once

#include <string>

#include "cli/figures.h"

namespace brixel::cli {

enum class FigureFormat { kSvg, kPng };

// Draws the figure with PLplot and returns the file's bytes. Throws std::runtime_error when
// the drawing library reports a problem.
std::string RenderFigure(const Figure& figure, FigureFormat format);

}  // namespace brixel::cli
