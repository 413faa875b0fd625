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

namespace orla::engine::pdf {

struct Rgb {
  double r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A glyph of a font at (x, y) with its horizontal scale. The text it stands for is
// [textStart, textStart + textLength) of the text drawn with it; the other glyphs of a
// cluster stand for nothing.
struct Glyph {
  uint32_t id;
  uint32_t textStart;
  uint32_t textLength;
  float scale;
  double x, y;
};

class PdfFile {
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
  void SetPageSize(double width, double height);

  void Fill(const Rgb& colour, double x, double y, double w, double h);
  // A horizontal rule centred on y.
  void Rule(const Rgb& colour, double lineWidth, double x1, double y, double x2);
  // Page operators drawn as they are, in a graphics state of their own (charts).
  void Graphics(std::string_view operators);
  // Glyphs of one font in one colour, with the text they stand for.
  void Text(cairo_scaled_font_t* font, const Rgb& colour, const Glyph* glyphs, size_t count,
            std::string_view text);

  void EndPage();
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
