// A PDF written by the engine itself: pages are streamed to the file as they end, fonts
// (TrueType subsets with a ToUnicode map) and the page tree are written at the end. The
// drawing is what reports need: filled rectangles, horizontal rules and placed glyphs, in
// points with y growing downwards.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <cairo.h>
#include <zlib.h>

#include "engine/page_surface.h"

namespace orla::engine::pdf {

class PdfFile final : public PageSurface {
 public:
  // Throws HostError "Cannot write ..." when the file cannot be created.
  PdfFile(const std::filesystem::path& path, double width, double height);
  ~PdfFile();
  PdfFile(const PdfFile&) = delete;
  PdfFile& operator=(const PdfFile&) = delete;

  // The document's properties; `created` is also its creation date.
  struct Info {
    std::string title, subject, author, creator;
    std::time_t created = 0;
  };
  void SetInfo(Info info) { info_ = std::move(info); }
  void SetPageSize(double width, double height) override;

  void Fill(const Rgb& colour, double x, double y, double w, double h) override;
  void Rule(const Rgb& colour, double lineWidth, double x1, double y, double x2) override;
  // Page operators (engine/chart_pdf.cpp).
  std::string ChartShapes(Typesetter& type, const ChartData& chart, double x, double y,
                          double width) override;
  // Page operators drawn as they are, in a graphics state of their own.
  void Graphics(std::string_view operators) override;
  void Text(cairo_scaled_font_t* font, const Rgb& colour, const Glyph* glyphs, size_t count,
            std::string_view text) override;

  void EndPage() override;
  // Writes fonts, page tree and cross-reference table; throws HostError when the file
  // could not be written whole.
  void Finish();

  int Pages() const { return static_cast<int>(pages_.size()); }

 private:
  struct Font;
  // A font at one size, referenced while the file is written.
  struct Sized {
    cairo_scaled_font_t* scaled;
    Font* font;
    double size;
  };

  const Sized& FontOf(cairo_scaled_font_t* font);
  void Number(double value, int decimals = 4);
  void Colour(const Rgb& colour, bool stroke);
  void Put(std::string_view bytes);
  int BeginObject();
  void EndObject();
  void PutStream(std::string_view data, std::string_view extra = {});
  void PutFont(Font& font);
  [[noreturn]] void Fail() const;

  std::filesystem::path path_;
  FILE* file_;
  size_t offset_ = 0;
  std::vector<size_t> offsets_;  // of each object, 1 based
  double width_, height_;
  Info info_;
  std::string content_;
  std::string compressed_;
  z_stream zlib_{};
  bool fillSet_ = false, strokeSet_ = false;
  Rgb fill_{}, stroke_{};
  double lineWidth_ = -1;
  std::vector<int> pages_;
  std::vector<std::unique_ptr<Font>> fonts_;
  std::vector<Sized> sized_;
};

}  // namespace orla::engine::pdf
