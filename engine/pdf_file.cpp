#include "engine/pdf_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include <hb-subset.h>
#include <hb.h>

#include "engine/chart_draw.h"
#include "host/errors.h"

namespace orla::engine::pdf {

namespace {

constexpr int kCatalog = 1;
constexpr int kPageTree = 2;
constexpr int kInfo = 3;
constexpr int kResources = 4;
constexpr int kFirstFree = 5;

// zlib's default level: level 1 saves little time on these page streams and makes them
// 40 % larger (bench/engine/README.md).
constexpr int kLevel = 6;

constexpr char kHex[] = "0123456789ABCDEF";

[[noreturn]] void Refuse(const std::string& message) {
  throw host::HostError(host::error_number::kInvalidProcedureCall, message, "Report engine");
}

void Hex16(std::string& out, uint32_t value) {
  out += kHex[(value >> 12) & 15];
  out += kHex[(value >> 8) & 15];
  out += kHex[(value >> 4) & 15];
  out += kHex[value & 15];
}

// UTF-8 as UTF-16BE in hex digits.
void Utf16Hex(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    uint32_t code = c;
    size_t length = 1;
    if (c >= 0xF0) {
      code = c & 0x07;
      length = 4;
    } else if (c >= 0xE0) {
      code = c & 0x0F;
      length = 3;
    } else if (c >= 0xC0) {
      code = c & 0x1F;
      length = 2;
    }
    for (size_t k = 1; k < length && i + k < text.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      Hex16(out, 0xD800 + (code >> 10));
      Hex16(out, 0xDC00 + (code & 0x3FF));
    } else {
      Hex16(out, code);
    }
  }
}

// Fixed notation, trailing zeros dropped: glyphs land where they were placed, to well
// under a thousandth of a point. Integers, not the floating-point formatter: a page has
// thousands of these numbers.
void AppendNumber(std::string& out, double value, int decimals = 4) {
  static constexpr int64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  const int64_t power = kPowers[decimals];
  const double scaled = std::nearbyint(value * static_cast<double>(power));
  if (!(std::fabs(scaled) < 1e15)) {
    throw std::logic_error("number out of range in a PDF page");
  }
  auto units = static_cast<int64_t>(scaled);
  if (units < 0) {
    out += '-';
    units = -units;
  }
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, units / power);
  out.append(buffer, end);
  int64_t fraction = units % power;
  if (fraction == 0) {
    return;
  }
  int digits = decimals;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --digits;
  }
  out += '.';
  char* last = buffer + digits;
  for (char* at = last; at > buffer; fraction /= 10) {
    *--at = static_cast<char>('0' + fraction % 10);
  }
  out.append(buffer, last);
}

std::string NumberText(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}

// A text string of the document's information.
std::string TextString(std::string_view text) {
  const bool plain =
      std::all_of(text.begin(), text.end(), [](char c) { return c >= 32 && c < 127; });
  std::string out;
  if (plain) {
    out += '(';
    for (char c : text) {
      if (c == '(' || c == ')' || c == '\\') {
        out += '\\';
      }
      out += c;
    }
    out += ')';
  } else {
    out += "<FEFF";
    Utf16Hex(out, text);
    out += '>';
  }
  return out;
}

}  // namespace

// A face embedded once for all its sizes, with the glyphs used and the text each stands for.
struct PdfFile::Font {
  cairo_scaled_font_t* scaled;  // one of its sizes, referenced, to reach the face again
  FT_Face face;
  std::string name;
  int resource;    // its name in the pages' resources: /F1, /F2...
  int object = 0;  // its Type0 dictionary, once written
  double unitsPerEm;
  std::vector<int> widths;  // thousandths of the size
  std::vector<uint8_t> used;
  std::vector<std::string> unicode;

  ~Font();
  // Whether the map says `text` for this glyph, taking it if the glyph has none yet. The
  // box of signs no font has stands for none.
  bool Map(uint32_t glyph, std::string_view text) {
    if (glyph == 0) {
      return false;
    }
    if (!used[glyph]) {
      used[glyph] = 1;
      unicode[glyph] = text;
      return true;
    }
    return unicode[glyph] == text;
  }
  // Whether Map would say yes, without taking anything.
  bool Gives(const Glyph& glyph, std::string_view text) const {
    return glyph.id != 0 && glyph.id < used.size() &&
           (!used[glyph.id] || unicode[glyph.id] == text.substr(glyph.textStart, glyph.textLength));
  }
};

PdfFile::PdfFile(const std::filesystem::path& path, double width, double height)
    : path_(path), file_(std::fopen(path.c_str(), "wb")), width_(width), height_(height) {
  if (file_ == nullptr) {
    Fail();
  }
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  offsets_.assign(kFirstFree, 0);
  if (deflateInit(&zlib_, kLevel) != Z_OK) {
    std::fclose(file_);
    throw std::bad_alloc();
  }
  Put("%PDF-1.5\n%\xE2\xE3\xCF\xD3\n");
}

PdfFile::Font::~Font() {
  cairo_scaled_font_destroy(scaled);
}

PdfFile::~PdfFile() {
  deflateEnd(&zlib_);
  if (file_ != nullptr) {
    std::fclose(file_);
  }
  for (const Sized& s : sized_) {
    cairo_scaled_font_destroy(s.scaled);
  }
}

void PdfFile::Fail() const {
  Refuse("Cannot write " + path_.string());
}

void PdfFile::SetPageSize(double width, double height) {
  width_ = width;
  height_ = height;
}

void PdfFile::Put(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), file_);
  offset_ += bytes.size();
}

int PdfFile::BeginObject() {
  offsets_.push_back(offset_);
  const int object = static_cast<int>(offsets_.size()) - 1;
  Put(std::to_string(object) + " 0 obj\n");
  return object;
}

void PdfFile::EndObject() {
  Put("\nendobj\n");
}

void PdfFile::Number(double value, int decimals) {
  AppendNumber(content_, value, decimals);
}

void PdfFile::Colour(const Rgb& colour, bool stroke) {
  bool& set = stroke ? strokeSet_ : fillSet_;
  Rgb& current = stroke ? stroke_ : fill_;
  if (set && current == colour) {
    return;
  }
  set = true;
  current = colour;
  Number(colour.r);
  content_ += ' ';
  Number(colour.g);
  content_ += ' ';
  Number(colour.b);
  content_ += stroke ? " RG\n" : " rg\n";
}

void PdfFile::Fill(const Rgb& colour, double x, double y, double w, double h) {
  Colour(colour, false);
  for (double v : {x, y, w, h}) {
    Number(v);
    content_ += ' ';
  }
  content_ += "re f\n";
}

void PdfFile::Rule(const Rgb& colour, double lineWidth, double x1, double y, double x2) {
  Colour(colour, true);
  if (lineWidth != lineWidth_) {
    lineWidth_ = lineWidth;
    Number(lineWidth);
    content_ += " w\n";
  }
  Number(x1);
  content_ += ' ';
  Number(y);
  content_ += " m ";
  Number(x2);
  content_ += ' ';
  Number(y);
  content_ += " l S\n";
}

std::string PdfFile::ChartShapes(Typesetter& type, const ChartData& chart, double x, double y,
                                 double width) {
  return DrawPdfChart(type, chart, x, y, width);
}

void PdfFile::Graphics(std::string_view operators) {
  // Saved and restored around them, so the colours and widths known to be set still are.
  content_ += "q\n";
  content_ += operators;
  content_ += "Q\n";
}

const PdfFile::Sized& PdfFile::FontOf(cairo_scaled_font_t* scaled) {
  for (const Sized& s : sized_) {
    if (s.scaled == scaled) {
      return s;
    }
  }
  cairo_matrix_t matrix;
  cairo_scaled_font_get_font_matrix(scaled, &matrix);
  cairo_matrix_t ctm;
  cairo_scaled_font_get_ctm(scaled, &ctm);
  FT_Face face = cairo_ft_scaled_font_lock_face(scaled);
  if (face == nullptr) {
    Refuse("Cannot embed a font that is not a FreeType font");
  }
  const std::string name = std::string(face->family_name != nullptr ? face->family_name : "?") +
                           ' ' + (face->style_name != nullptr ? face->style_name : "");
  const bool plain =
      matrix.xy == 0 && matrix.yx == 0 && matrix.xx == matrix.yy && ctm.xx == 1 && ctm.yy == 1 &&
      ctm.xy == 0 && ctm.yx == 0 &&
      cairo_ft_font_face_get_synthesize(cairo_scaled_font_get_font_face(scaled)) == 0;
  FT_ULong glyf = 0;
  const bool trueType =
      FT_IS_SFNT(face) && FT_Load_Sfnt_Table(face, TTAG_glyf, 0, nullptr, &glyf) == 0;
  Font* font = nullptr;
  for (const auto& f : fonts_) {
    if (f->face == face) {
      font = f.get();
    }
  }
  if (font == nullptr && plain && trueType) {
    auto created = std::make_unique<Font>();
    created->scaled = cairo_scaled_font_reference(scaled);
    created->face = face;
    created->name = name;
    created->resource = static_cast<int>(fonts_.size()) + 1;
    created->unitsPerEm = face->units_per_EM;
    const auto count = static_cast<FT_UInt>(face->num_glyphs);
    std::vector<FT_Fixed> advances(count);
    FT_Get_Advances(face, 0, count, FT_LOAD_NO_SCALE, advances.data());
    created->widths.resize(count);
    // Whole thousandths, cut as Cairo cut them: where a reader finds words and columns
    // depends on these, while the glyphs stand where they are put whatever they say.
    for (FT_UInt g = 0; g < count; ++g) {
      created->widths[g] = static_cast<int>(advances[g] * 1000 / face->units_per_EM);
    }
    created->used.assign(count, 0);
    created->unicode.resize(count);
    font = fonts_.emplace_back(std::move(created)).get();
  }
  cairo_ft_scaled_font_unlock_face(scaled);
  if (!trueType) {
    Refuse("Cannot embed font " + name + ": only TrueType outlines are written");
  }
  if (!plain) {
    Refuse("Cannot embed font " + name + ": it is slanted, stretched or emboldened");
  }
  return sized_.emplace_back(Sized{cairo_scaled_font_reference(scaled), font, matrix.yy});
}

void PdfFile::Text(cairo_scaled_font_t* scaled, const Rgb& colour, const Glyph* glyphs,
                   size_t count, std::string_view text) {
  if (count == 0) {
    return;
  }
  const Sized& sized = FontOf(scaled);
  Font& font = *sized.font;
  const double size = sized.size;
  Colour(colour, false);
  content_ += "BT\n/F";
  content_ += std::to_string(font.resource);
  content_ += ' ';
  Number(size);
  content_ += " Tf\n";
  bool line = false;
  bool array = false;
  bool hex = false;
  double lineX = 0, lineY = 0, pen = 0;
  size_t spanEnd = 0;  // the glyphs before it are in the open span, if any
  float lineScale = 1;
  const auto closeHex = [&] {
    if (hex) {
      content_ += '>';
      hex = false;
    }
  };
  const auto closeArray = [&] {
    closeHex();
    if (array) {
      content_ += "]TJ\n";
      array = false;
    }
  };
  for (size_t i = 0; i < count; ++i) {
    const Glyph& g = glyphs[i];
    if (g.id >= font.used.size()) {
      Refuse("Glyph " + std::to_string(g.id) + " is not in font " + font.name);
    }
    // Glyphs the map cannot give the text of (drawn for other text elsewhere, or boxes
    // for signs no font has) carry their text along, those next to each other together
    // so that a reader does not take them for words apart.
    if (i >= spanEnd && !font.Map(g.id, text.substr(g.textStart, g.textLength))) {
      closeArray();
      std::string actual;
      spanEnd = i;
      while (spanEnd < count && glyphs[spanEnd].y == g.y && glyphs[spanEnd].scale == g.scale &&
             (spanEnd == i || !font.Gives(glyphs[spanEnd], text))) {
        actual += text.substr(glyphs[spanEnd].textStart, glyphs[spanEnd].textLength);
        ++spanEnd;
      }
      content_ += "/Span<</ActualText<FEFF";
      Utf16Hex(content_, actual);
      content_ += ">>>BDC\n";
    }
    double adjust = 0;
    if (line && g.y == lineY && g.scale == lineScale) {
      adjust = std::round((pen - (g.x - lineX) / g.scale) * 1000 / size);
    } else {
      closeArray();
      if (line && g.scale == 1 && lineScale == 1) {
        Number(g.x - lineX);
        content_ += ' ';
        Number(lineY - g.y);
        content_ += " Td\n";
      } else {
        Number(g.scale, 6);
        content_ += " 0 0 -1 ";
        Number(g.x);
        content_ += ' ';
        Number(g.y);
        content_ += " Tm\n";
      }
      line = true;
      lineX = g.x;
      lineY = g.y;
      lineScale = g.scale;
      pen = 0;
    }
    if (!array) {
      content_ += '[';
      array = true;
    }
    if (adjust != 0) {
      closeHex();
      Number(adjust, 0);
      pen -= adjust * size / 1000;
    }
    if (!hex) {
      content_ += '<';
      hex = true;
    }
    Hex16(content_, g.id);
    pen += font.widths[g.id] * size / 1000;
    if (i + 1 == spanEnd) {
      closeArray();
      content_ += "EMC\n";
    }
  }
  closeArray();
  content_ += "ET\n";
}

void PdfFile::PutStream(std::string_view data, std::string_view extra) {
  deflateReset(&zlib_);
  compressed_.resize(deflateBound(&zlib_, data.size()));
  zlib_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zlib_.avail_in = static_cast<uInt>(data.size());
  zlib_.next_out = reinterpret_cast<Bytef*>(compressed_.data());
  zlib_.avail_out = static_cast<uInt>(compressed_.size());
  if (deflate(&zlib_, Z_FINISH) != Z_STREAM_END) {
    throw std::runtime_error("cannot compress a PDF stream");
  }
  compressed_.resize(zlib_.total_out);
  Put("<</Filter/FlateDecode/Length " + std::to_string(compressed_.size()) + std::string(extra) +
      ">>\nstream\n");
  Put(compressed_);
  Put("\nendstream");
}

void PdfFile::EndPage() {
  const int contents = BeginObject();
  // One flip for the page: y grows downwards, as the layout measures it.
  content_.insert(0, "1 0 0 -1 0 " + NumberText(height_) + " cm\n");
  PutStream(content_);
  EndObject();
  content_.clear();
  fillSet_ = strokeSet_ = false;
  lineWidth_ = -1;
  const int page = BeginObject();
  Put("<</Type/Page/Parent " + std::to_string(kPageTree) + " 0 R/MediaBox[0 0 " +
      NumberText(width_) + ' ' + NumberText(height_) + "]/Contents " + std::to_string(contents) +
      " 0 R/Resources " + std::to_string(kResources) + " 0 R>>");
  EndObject();
  pages_.push_back(page);
}

void PdfFile::PutFont(Font& font) {
  FT_Face face = cairo_ft_scaled_font_lock_face(font.scaled);
  FT_ULong length = 0;
  FT_Load_Sfnt_Table(face, 0, 0, nullptr, &length);
  std::string bytes(length, '\0');
  const FT_Error error =
      FT_Load_Sfnt_Table(face, 0, 0, reinterpret_cast<FT_Byte*>(bytes.data()), &length);
  const int faceIndex = static_cast<int>(face->face_index & 0xFFFF);
  const char* postscript = FT_Get_Postscript_Name(face);
  std::string name = postscript != nullptr ? postscript : "Font";
  const double em = font.unitsPerEm;
  const auto scale = [em](long v) { return std::to_string(std::lround(v * 1000.0 / em)); };
  const std::string bbox = scale(face->bbox.xMin) + ' ' + scale(face->bbox.yMin) + ' ' +
                           scale(face->bbox.xMax) + ' ' + scale(face->bbox.yMax);
  const std::string ascent = scale(face->ascender);
  const std::string descent = scale(face->descender);
  cairo_ft_scaled_font_unlock_face(font.scaled);
  if (error != 0) {
    Refuse("Cannot embed font " + font.name + ": its file cannot be read");
  }

  font.used[0] = 1;
  hb_blob_t* blob = hb_blob_create(bytes.data(), static_cast<unsigned>(bytes.size()),
                                   HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* whole = hb_face_create(blob, static_cast<unsigned>(faceIndex));
  hb_subset_input_t* input = hb_subset_input_create_or_fail();
  hb_set_t* keep = hb_subset_input_glyph_set(input);
  // Subset tags differ with the glyphs kept, so that two subsets never share a name.
  uint32_t hash = 2166136261u;
  for (size_t g = 0; g < font.used.size(); ++g) {
    if (font.used[g]) {
      hb_set_add(keep, static_cast<hb_codepoint_t>(g));
      hash = (hash ^ static_cast<uint32_t>(g)) * 16777619u;
    }
  }
  // Glyph ids stay those Pango chose, which the page streams use.
  hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS);
  hb_face_t* subset = hb_subset_or_fail(whole, input);
  hb_subset_input_destroy(input);
  hb_face_destroy(whole);
  hb_blob_destroy(blob);
  if (subset == nullptr) {
    Refuse("Cannot embed font " + font.name + ": it cannot be subset");
  }
  hb_blob_t* subsetBlob = hb_face_reference_blob(subset);
  unsigned subsetLength = 0;
  const char* subsetData = hb_blob_get_data(subsetBlob, &subsetLength);
  const std::string program(subsetData, subsetLength);
  hb_blob_destroy(subsetBlob);
  hb_face_destroy(subset);

  std::string tag;
  for (int i = 0; i < 6; ++i) {
    tag += static_cast<char>('A' + hash % 26);
    hash /= 26;
  }
  name = tag + '+' + name;

  const int file = BeginObject();
  PutStream(program, "/Length1 " + std::to_string(program.size()));
  EndObject();

  const int descriptor = BeginObject();
  Put("<</Type/FontDescriptor/FontName/" + name + "/Flags 32/FontBBox[" + bbox +
      "]/ItalicAngle 0/Ascent " + ascent + "/Descent " + descent + "/CapHeight " + ascent +
      "/StemV 80/FontFile2 " + std::to_string(file) + " 0 R>>");
  EndObject();

  std::string widths;
  std::vector<size_t> mapped;
  for (size_t g = 0; g < font.used.size(); ++g) {
    if (font.used[g]) {
      widths += std::to_string(g) + '[' + std::to_string(font.widths[g]) + "]\n";
      if (!font.unicode[g].empty()) {
        mapped.push_back(g);
      }
    }
  }
  std::string blocks;
  // A bfchar block holds at most 100 entries.
  for (size_t at = 0; at < mapped.size(); at += 100) {
    const size_t end = std::min(mapped.size(), at + 100);
    blocks += std::to_string(end - at) + " beginbfchar\n";
    for (size_t k = at; k < end; ++k) {
      blocks += '<';
      Hex16(blocks, static_cast<uint32_t>(mapped[k]));
      blocks += "><";
      Utf16Hex(blocks, font.unicode[mapped[k]]);
      blocks += ">\n";
    }
    blocks += "endbfchar\n";
  }
  const std::string cmap =
      "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
      "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n" +
      blocks + "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
  const int toUnicode = BeginObject();
  PutStream(cmap);
  EndObject();

  const int cid = BeginObject();
  Put("<</Type/Font/Subtype/CIDFontType2/BaseFont/" + name +
      "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor " +
      std::to_string(descriptor) + " 0 R/CIDToGIDMap/Identity/W[" + widths + "]>>");
  EndObject();

  font.object = BeginObject();
  Put("<</Type/Font/Subtype/Type0/BaseFont/" + name + "/Encoding/Identity-H/DescendantFonts[" +
      std::to_string(cid) + " 0 R]/ToUnicode " + std::to_string(toUnicode) + " 0 R>>");
  EndObject();
}

void PdfFile::Finish() {
  std::string fonts;
  for (const auto& font : fonts_) {
    PutFont(*font);
    fonts += "/F" + std::to_string(font->resource) + ' ' + std::to_string(font->object) + " 0 R";
  }
  const auto put = [this](int object, const std::string& body) {
    offsets_[object] = offset_;
    Put(std::to_string(object) + " 0 obj\n" + body);
    EndObject();
  };
  put(kResources, "<</Font<<" + fonts + ">>/ProcSet[/PDF/Text]>>");
  std::string kids;
  for (int page : pages_) {
    kids += std::to_string(page) + " 0 R ";
  }
  put(kPageTree, "<</Type/Pages/Kids[" + kids + "]/Count " + std::to_string(pages_.size()) + ">>");
  std::tm created{};
  gmtime_r(&info_.created, &created);
  char date[32];
  std::strftime(date, sizeof date, "D:%Y%m%d%H%M%SZ", &created);
  put(kInfo, "<</Title" + TextString(info_.title) + "/Subject" + TextString(info_.subject) +
                 "/Author" + TextString(info_.author) + "/Creator" + TextString(info_.creator) +
                 "/Producer(orla-vendas PDF writer)/CreationDate(" + date + ")>>");
  put(kCatalog, "<</Type/Catalog/Pages " + std::to_string(kPageTree) + " 0 R>>");
  const size_t xref = offset_;
  std::string table = "xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n";
  char entry[32];
  for (size_t i = 1; i < offsets_.size(); ++i) {
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offsets_[i]);
    table += entry;
  }
  Put(table);
  Put("trailer\n<</Size " + std::to_string(offsets_.size()) + "/Root " + std::to_string(kCatalog) +
      " 0 R/Info " + std::to_string(kInfo) + " 0 R>>\nstartxref\n" + std::to_string(xref) +
      "\n%%EOF\n");
  const bool failed = std::ferror(file_) != 0;
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (failed || closed != 0) {
    Fail();
  }
}

}  // namespace orla::engine::pdf
