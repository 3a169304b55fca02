// Texts stay inside their boxes: one longer or taller than its box is cut at
// the box's edges, one that fits is drawn whole (the renderer clips only the
// texts whose ink leaves the box).
#include <cairo.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "reporting/report.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

constexpr double kDpi = 300;

// Dark pixels of the page left of, right of and below the box x 10..40 mm, y 10..16 mm.
struct Outside {
  int right = 0, below = 0, inside = 0;
};

Outside render(const std::string& object, const std::string& png) {
  TprReport report;
  report.LoadTemplateFromText(
      "page size=custom width=80 height=40 margin=10\nband title height=15\n  " + object + "\n", "CLIP.prt");
  EXPECT_TRUE(report.Prepare());
  report.export_page_to_png(0, png, kDpi);
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> s(
      cairo_image_surface_create_from_png(png.c_str()), cairo_surface_destroy);
  const auto px = [](double mm) { return static_cast<int>(mm * kDpi / 25.4); };
  Outside found;
  for (int y = 0; y < cairo_image_surface_get_height(s.get()); ++y) {
    const unsigned char* row =
        cairo_image_surface_get_data(s.get()) + y * cairo_image_surface_get_stride(s.get());
    for (int x = 0; x < cairo_image_surface_get_width(s.get()); ++x) {
      const uint32_t c = reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
      if (((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) >= 3 * 128) continue;
      if (x >= px(40) + 1)
        ++found.right;
      else if (y >= px(16) + 1)
        ++found.below;
      else
        ++found.inside;
    }
  }
  return found;
}

TEST(TextClip, ATextLeavingItsBoxIsCutAndOneThatFitsIsWhole) {
  test::TempFolder tmp("clip");
  const std::string png = (tmp / "clip.png").string();
  const Outside wide = render("text x=0 y=0 w=30 h=6 text=\"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\" size=12", png);
  EXPECT_EQ(wide.right, 0);
  EXPECT_GT(wide.inside, 0);
  const Outside tall = render("text x=0 y=0 w=30 h=3 text=\"Mg\" size=20", png);
  EXPECT_EQ(tall.below, 0);
  EXPECT_GT(tall.inside, 0);
  // A right-aligned short text that fits is all there: as many dark pixels as
  // the same text drawn further right in a wider box (give or take the edges'
  // anti-aliasing).
  const Outside fits = render("text x=0 y=0 w=30 h=6 text=\"Total 12,50\" size=10 align=right", png);
  const Outside free = render("text x=0 y=0 w=60 h=6 text=\"Total 12,50\" size=10 align=right", png);
  EXPECT_EQ(fits.right, 0);
  EXPECT_GT(free.right, 0);  // the same text, moved right by the wider box
  EXPECT_NEAR(fits.inside, free.right + free.inside, 0.05 * fits.inside);
}

}  // namespace
}  // namespace zpk
