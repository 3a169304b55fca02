#include "reporting/renderer.hpp"

#include <cairo-pdf.h>
#include <cairo.h>
#include <fmt/format.h>
#include <pango/pangocairo.h>
#include <zint.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerInch = 72;
constexpr double kMaxDpi = 2400;
constexpr int kMaxPixels = 20000;  // per side: a larger image is a typo in the resolution

struct SurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextFree {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct GObjectFree {
  void operator()(void* o) const { g_object_unref(o); }
};
struct SymbolFree {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
struct FontFree {
  void operator()(PangoFontDescription* f) const { pango_font_description_free(f); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;
using Context = std::unique_ptr<cairo_t, ContextFree>;
using Layout = std::unique_ptr<PangoLayout, GObjectFree>;
using Font = std::unique_ptr<PangoFontDescription, FontFree>;
using Symbol = std::unique_ptr<zint_symbol, SymbolFree>;

// Raises EZpkError naming the file when cairo reports a fault.
void check(cairo_status_t status, const std::string& file_name) {
  if (status != CAIRO_STATUS_SUCCESS) {
    throw EZpkError(
        fmt::format("{}: the report cannot be written ({})", file_name, cairo_status_to_string(status)));
  }
}

void set_color(cairo_t* cr, unsigned rgb) {
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

// A text layout for the page: the same metrics on paper and on screen. Glyph
// advances are not hinted and glyphs are not moved to whole pixels, so a PNG
// preview breaks lines where the PDF does and its letters keep the PDF's
// spacing (rounded positions opened gaps inside words at screen resolutions).
Layout page_layout(cairo_t* cr) {
  Layout layout(pango_cairo_create_layout(cr));
  PangoContext* context = pango_layout_get_context(layout.get());
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context, FALSE);
  pango_layout_context_changed(layout.get());
  return layout;
}

// Lays out a text or rich text object in its box (millimetres) and draws it,
// clipped to the box as the layout drew it.
void draw_text(cairo_t* cr, const TprPageObject& o) {
  Layout layout = page_layout(cr);

  Font font(pango_font_description_new());
  pango_font_description_set_family(font.get(), o.Font.Name.c_str());
  pango_font_description_set_weight(font.get(), o.Font.Bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(font.get(), o.Font.Italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  // User space is millimetres: a point is 25.4 / 72 mm.
  pango_font_description_set_absolute_size(font.get(),
                                           o.Font.Size * kMmPerInch / kPointsPerInch * PANGO_SCALE);
  pango_layout_set_font_description(layout.get(), font.get());

  bool markup_set = false;
  if (o.Kind == TprObjectKind::RichText) {
    // Markup comes from the layout and the data; text that does not parse as
    // markup is printed as it stands rather than dropped.
    PangoAttrList* attrs = nullptr;
    char* plain = nullptr;
    if (pango_parse_markup(o.Text.c_str(), -1, 0, &attrs, &plain, nullptr, nullptr)) {
      pango_layout_set_text(layout.get(), plain, -1);
      pango_layout_set_attributes(layout.get(), attrs);
      pango_attr_list_unref(attrs);
      g_free(plain);
      markup_set = true;
    }
  }
  if (!markup_set) pango_layout_set_text(layout.get(), o.Text.c_str(), -1);
  if (o.Font.Underline) {
    PangoAttrList* attrs = pango_layout_get_attributes(layout.get());
    PangoAttrList* list = attrs ? pango_attr_list_copy(attrs) : pango_attr_list_new();
    pango_attr_list_insert_before(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout.get(), list);
    pango_attr_list_unref(list);
  }

  if (o.WordWrap) {
    pango_layout_set_width(layout.get(), static_cast<int>(o.Width * PANGO_SCALE));
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout.get(), o.Align == TprAlign::Left     ? PANGO_ALIGN_LEFT
                                             : o.Align == TprAlign::Center ? PANGO_ALIGN_CENTER
                                                                           : PANGO_ALIGN_RIGHT);
  }
  PangoRectangle ink, logical;
  pango_layout_get_extents(layout.get(), &ink, &logical);
  const double text_w = static_cast<double>(logical.width) / PANGO_SCALE;
  const double text_h = static_cast<double>(logical.height) / PANGO_SCALE;

  double x = o.Left;
  if (!o.WordWrap) {  // a wrapped layout aligns its lines itself
    if (o.Align == TprAlign::Center) x += (o.Width - text_w) / 2;
    if (o.Align == TprAlign::Right) x += o.Width - text_w;
  }
  double y = o.Top;
  if (o.VAlign == TprVAlign::Middle) y += (o.Height - text_h) / 2;
  if (o.VAlign == TprVAlign::Bottom) y += o.Height - text_h;

  // A clip costs a path and a graphics state in every PDF page that uses it,
  // so it is set only for a text whose ink leaves its box.
  const double ink_left = x + static_cast<double>(ink.x) / PANGO_SCALE;
  const double ink_top = y + static_cast<double>(ink.y) / PANGO_SCALE;
  const bool inside = ink_left >= o.Left && ink_top >= o.Top &&
                      ink_left + static_cast<double>(ink.width) / PANGO_SCALE <= o.Left + o.Width &&
                      ink_top + static_cast<double>(ink.height) / PANGO_SCALE <= o.Top + o.Height;
  cairo_save(cr);
  if (!inside) {
    cairo_rectangle(cr, o.Left, o.Top, o.Width, o.Height);
    cairo_clip(cr);
  }
  set_color(cr, o.Color);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout.get());
  cairo_restore(cr);
}

// Draws a line or a rectangle (filled first, then outlined; no outline at width 0).
void draw_shape(cairo_t* cr, const TprPageObject& o) {
  cairo_save(cr);
  cairo_new_path(cr);
  if (o.Kind == TprObjectKind::Line) {
    cairo_move_to(cr, o.Left, o.Top);
    cairo_line_to(cr, o.Left + o.Width, o.Top + o.Height);
  } else {
    cairo_rectangle(cr, o.Left, o.Top, o.Width, o.Height);
    if (o.Filled) {
      set_color(cr, o.FillColor);
      cairo_fill_preserve(cr);
    }
  }
  if (o.LineWidth > 0) {
    set_color(cr, o.Color);
    cairo_set_line_width(cr, o.LineWidth);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

// Draws a picture file (PNG) into its box: stretched to fill it, or keeping
// its proportions and centred. A file that cannot be read raises EZpkError
// naming it: a document printed without its logo or signature would pass
// unnoticed, so the export fails instead.
void draw_picture(cairo_t* cr, const TprPageObject& o) {
  Surface image(cairo_image_surface_create_from_png(o.PictureFile.c_str()));
  const cairo_status_t status = cairo_surface_status(image.get());
  if (status != CAIRO_STATUS_SUCCESS) {
    throw EZpkError(
        fmt::format("{}: the picture cannot be read ({})", o.PictureFile, cairo_status_to_string(status)));
  }
  const double iw = cairo_image_surface_get_width(image.get());
  const double ih = cairo_image_surface_get_height(image.get());
  if (iw <= 0 || ih <= 0 || o.Width <= 0 || o.Height <= 0) return;
  double sx = o.Width / iw, sy = o.Height / ih;
  double x = o.Left, y = o.Top;
  if (!o.Stretch) {
    sx = sy = std::min(sx, sy);
    x += (o.Width - iw * sx) / 2;
    y += (o.Height - ih * sy) / 2;
  }
  cairo_save(cr);
  cairo_rectangle(cr, o.Left, o.Top, o.Width, o.Height);
  cairo_clip(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, sx, sy);
  // Clipped to the picture itself and its edge pixels padded outwards, so an
  // enlarged picture keeps its colour up to its edges instead of fading out.
  cairo_rectangle(cr, 0, 0, iw, ih);
  cairo_clip(cr);
  cairo_set_source_surface(cr, image.get(), 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_restore(cr);
}

// Draws one human-readable text of a barcode where zint placed it: `x` is
// the anchor of its alignment and `baseline` its baseline, in millimetres.
void draw_barcode_text(cairo_t* cr, const zint_vector_string& t, double x, double baseline, double size) {
  Layout layout = page_layout(cr);
  Font font(pango_font_description_new());
  pango_font_description_set_family(font.get(), "Sans");
  pango_font_description_set_absolute_size(font.get(), size * PANGO_SCALE);
  pango_layout_set_font_description(layout.get(), font.get());
  pango_layout_set_text(layout.get(), reinterpret_cast<const char*>(t.text), t.length);
  PangoRectangle logical;
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  const double w = static_cast<double>(logical.width) / PANGO_SCALE;
  if (t.halign == 0) x -= w / 2;  // zint: 0 centre, 1 left, 2 right
  if (t.halign == 2) x -= w;
  cairo_move_to(cr, x, baseline - static_cast<double>(pango_layout_get_baseline(layout.get())) / PANGO_SCALE);
  pango_cairo_show_layout(cr, layout.get());
}

// Encodes a barcode's data with zint and draws its bars in the object's
// colour into its box. Linear codes fill the box (the bars' height is the
// box's); a QR code stays square, as large as fits, centred. EAN-13 and
// Code 128 print their number under the bars, as zint lays it out (EAN-13's
// first digit left of the bars), unless the layout switched it off: a
// label whose bars do not scan can still be typed in.
void draw_barcode(cairo_t* cr, const TprPageObject& o) {
  Symbol symbol(ZBarcode_Create());
  if (!symbol) throw EZpkError("barcode: out of memory");
  const bool square = o.Barcode == TprBarcodeType::Qr;
  symbol->symbology = o.Barcode == TprBarcodeType::Ean13     ? BARCODE_EANX
                      : o.Barcode == TprBarcodeType::Code128 ? BARCODE_CODE128
                                                             : BARCODE_QRCODE;
  symbol->show_hrt = !square && o.BarcodeText ? 1 : 0;
  // Text is UTF-8. A QR code with other than ASCII declares UTF-8 (ECI 26):
  // readers guess the character set of undeclared bytes, and zbar, for one,
  // guesses Latin-1 text wrong. EAN-13 and Code 128 data is ASCII, checked
  // when the page was prepared.
  symbol->input_mode = UNICODE_MODE;
  const auto* data = reinterpret_cast<const unsigned char*>(o.Text.data());
  const int length = static_cast<int>(o.Text.size());
  if (square && std::any_of(o.Text.begin(), o.Text.end(), [](char c) { return (c & 0x80) != 0; })) {
    symbol->eci = 26;
  }
  const int rc = ZBarcode_Encode_and_Buffer_Vector(symbol.get(), data, length, 0);
  // The data was checked when the page was prepared; a refusal here is a
  // fault to report, not a barcode to leave out silently.
  if (rc >= ZINT_ERROR || symbol->vector == nullptr) {
    throw EZpkError(fmt::format("barcode \"{}\" cannot be encoded ({})", o.Text, symbol->errtxt));
  }
  const zint_vector& v = *symbol->vector;
  if (v.width <= 0 || v.height <= 0 || o.Width <= 0 || o.Height <= 0) return;
  double sx = o.Width / v.width, sy = o.Height / v.height;
  double x = o.Left, y = o.Top;
  if (square) {
    sx = sy = std::min(sx, sy);
    x += (o.Width - v.width * sx) / 2;
    y += (o.Height - v.height * sy) / 2;
  }
  cairo_save(cr);
  cairo_rectangle(cr, o.Left, o.Top, o.Width, o.Height);
  cairo_clip(cr);
  cairo_new_path(cr);
  for (const zint_vector_rect* r = v.rectangles; r != nullptr; r = r->next) {
    if (r->colour != -1) continue;  // only foreground modules: the paper is the background
    cairo_rectangle(cr, x + r->x * sx, y + r->y * sy, r->width * sx, r->height * sy);
  }
  set_color(cr, o.Color);
  cairo_fill(cr);
  // The text keeps its proportions: sized by the module width, as the bars
  // are, but never taller than the box gives it.
  for (const zint_vector_string* t = v.strings; t != nullptr; t = t->next) {
    draw_barcode_text(cr, *t, x + t->x * sx, y + t->y * sy, t->fsize * std::min(sx, sy));
  }
  cairo_restore(cr);
}

// Draws the page's objects in order onto `cr`, whose user space is millimetres.
void draw_page(cairo_t* cr, const TprPage& page) {
  for (const auto& o : page.Objects) {
    switch (o.Kind) {
      case TprObjectKind::Text:
      case TprObjectKind::RichText:
        draw_text(cr, o);
        break;
      case TprObjectKind::Line:
      case TprObjectKind::Rectangle:
        draw_shape(cr, o);
        break;
      case TprObjectKind::Picture:
        draw_picture(cr, o);
        break;
      case TprObjectKind::Barcode:
        draw_barcode(cr, o);
        break;
    }
  }
}

}  // namespace

void render_pdf(const std::vector<TprPage>& pages, const std::string& file_name) {
  if (pages.empty()) throw EZpkError(fmt::format("{}: the report has no prepared page", file_name));
  const double to_points = kPointsPerInch / kMmPerInch;
  Surface surface(
      cairo_pdf_surface_create(file_name.c_str(), pages[0].Width * to_points, pages[0].Height * to_points));
  check(cairo_surface_status(surface.get()), file_name);
  Context cr(cairo_create(surface.get()));
  for (const auto& page : pages) {
    // The size is set before anything is drawn on the page, as cairo requires.
    cairo_pdf_surface_set_size(surface.get(), page.Width * to_points, page.Height * to_points);
    cairo_save(cr.get());
    cairo_scale(cr.get(), to_points, to_points);
    draw_page(cr.get(), page);
    cairo_restore(cr.get());
    cairo_show_page(cr.get());
    check(cairo_status(cr.get()), file_name);
  }
  cr.reset();
  cairo_surface_finish(surface.get());
  check(cairo_surface_status(surface.get()), file_name);
}

void render_png(const TprPage& page, const std::string& file_name, double dpi) {
  if (!(dpi >= 1 && dpi <= kMaxDpi)) {
    throw EZpkError(fmt::format("{}: resolution {} dpi is outside 1..{}", file_name, dpi, kMaxDpi));
  }
  const double to_pixels = dpi / kMmPerInch;
  const double w = std::round(page.Width * to_pixels);
  const double h = std::round(page.Height * to_pixels);
  if (!(w >= 1 && h >= 1 && w <= kMaxPixels && h <= kMaxPixels)) {
    throw EZpkError(fmt::format("{}: an image of {} x {} pixels is too large", file_name, w, h));
  }
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(w), static_cast<int>(h)));
  check(cairo_surface_status(surface.get()), file_name);
  Context cr(cairo_create(surface.get()));
  cairo_set_source_rgb(cr.get(), 1, 1, 1);  // paper is white
  cairo_paint(cr.get());
  cairo_scale(cr.get(), to_pixels, to_pixels);
  draw_page(cr.get(), page);
  check(cairo_status(cr.get()), file_name);
  cr.reset();
  check(cairo_surface_write_to_png(surface.get(), file_name.c_str()), file_name);
}

}  // namespace zpk
