// Draws prepared report pages with cairo and pango: every page into one PDF
// document, or one page into a PNG image. Fonts are found through fontconfig.
// Pictures are PNG files; barcodes (EAN-13, Code 128, QR) are encoded by zint.
#pragma once

#include <string>
#include <vector>

#include "reporting/layout.hpp"

namespace zpk {

// Writes `pages` into one PDF file, each page in its own size; raises
// EZpkError when there is no page, a picture cannot be read or the file
// cannot be written.
void render_pdf(const std::vector<TprPage>& pages, const std::string& file_name);

// Writes `page` as a PNG image of (size in mm / 25.4 * dpi) pixels, rounded,
// on a white background; raises EZpkError for a resolution outside 1..2400
// dpi, an image wider or taller than 20000 pixels, a picture that cannot be
// read, or a file that cannot be written.
void render_png(const TprPage& page, const std::string& file_name, double dpi);

}  // namespace zpk
