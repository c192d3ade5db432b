#pragma once

#include <QImage>
#include <string>

namespace vt::imaging {

// Decodes a PNG read from the descriptor row by row, each `factor` x `factor` block of its pixels
// averaged into one, so that a large PNG never lies whole in memory (as a JPEG is reduced while
// it decodes). Sides are rounded down. Null, with `problem` set, when libpng reports an error or
// the PNG is interlaced (its passes need the whole picture).
QImage DecodePngReduced(int fd, int factor, std::string& problem);

}  // namespace vt::imaging
