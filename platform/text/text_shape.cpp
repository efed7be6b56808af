// Text shaping: a UTF-16 text becomes one line of positioned glyphs. The text is split into runs
// of one embedding level (FriBiDi's bidirectional algorithm, left-to-right paragraph as a plain
// TextOutW has), one script and one face (the selected face, or the face it falls back on for
// a character it lacks); HarfBuzz shapes each run (joining, reordering, ligatures, marks) and
// the runs are laid out in visual order. Glyph advances are the whole-pixel advances the
// glyph cache gives and kerning stays off, as GDI places text, so that a Latin text comes out
// exactly as it did glyph by glyph. Short texts are kept per instance once shaped.
#include <fribidi.h>
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <numeric>

#include "text_shape.h"

namespace platform {
namespace {

// Texts up to this many UTF-16 units are cached once shaped; longer ones are shaped each time.
constexpr size_t kCachedTextUnits = 1024;
// What the cache of one instance may hold in all, in units of text and in lines.
constexpr size_t kCacheBudgetUnits = size_t{256} << 10;
constexpr size_t kCacheLines = 4096;
// A position in 64ths of a pixel.
constexpr int kUnit = 64;

std::atomic<int64_t> g_shapeCount{0};
std::map<FT_Face, hb_face_t*>* g_shaperFaces;

hb_face_t* ShaperFace(FT_Face face) {
  if (g_shaperFaces == nullptr) g_shaperFaces = new std::map<FT_Face, hb_face_t*>;
  hb_face_t*& shaper = (*g_shaperFaces)[face];
  // The tables are read through FreeType, so the face file is opened once for both.
  if (shaper == nullptr) shaper = hb_ft_face_create_referenced(face);
  return shaper;
}

// The shaper is given the advances the glyphs are drawn with: whole pixels, synthesised bold included.
hb_position_t GlyphAdvanceUnits(hb_font_t*, void* data, hb_codepoint_t glyph, void*) {
  return GlyphAdvance(*static_cast<FontInstance*>(data), glyph) * kUnit;
}

hb_font_funcs_t* AdvanceFuncs() {
  static hb_font_funcs_t* funcs = [] {
    hb_font_funcs_t* made = hb_font_funcs_create();
    hb_font_funcs_set_glyph_h_advance_func(made, GlyphAdvanceUnits, nullptr, nullptr);
    hb_font_funcs_make_immutable(made);
    return made;
  }();
  return funcs;
}

hb_font_t* ShaperFont(FontInstance& instance) {
  ShapingState& state = ShapingOf(instance);
  if (state.font == nullptr) {
    hb_font_t* parent = hb_font_create(ShaperFace(instance.face));
    hb_font_set_scale(parent, instance.ppem * kUnit, instance.ppem * kUnit);
    hb_font_set_ppem(parent, static_cast<unsigned>(instance.ppem), static_cast<unsigned>(instance.ppem));
    state.font = hb_font_create_sub_font(parent);
    hb_font_destroy(parent);
    hb_font_set_funcs(state.font, AdvanceFuncs(), &instance, nullptr);
  }
  return state.font;
}

bool IsMark(hb_unicode_general_category_t category) {
  return category == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
         category == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
         category == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
}

// The characters of a text: code points with the index of their first UTF-16 unit. An unpaired
// surrogate names no character and stands as U+FFFD, as the shaper reads it too.
struct Characters {
  std::vector<uint32_t> codePoints;
  std::vector<uint32_t> starts;
};

Characters Decode(const char16_t* text, size_t count) {
  Characters out;
  out.codePoints.reserve(count);
  out.starts.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t unit = text[i];
    uint32_t codePoint = unit;
    out.starts.push_back(static_cast<uint32_t>(i));
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      codePoint = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      codePoint = 0xFFFD;
    }
    out.codePoints.push_back(codePoint);
  }
  return out;
}

// Embedding levels of a left-to-right paragraph; all 0 if the algorithm cannot run.
std::vector<FriBidiLevel> Levels(const Characters& chars) {
  const auto n = static_cast<FriBidiStrIndex>(chars.codePoints.size());
  std::vector<FriBidiCharType> types(static_cast<size_t>(n));
  std::vector<FriBidiBracketType> brackets(static_cast<size_t>(n));
  std::vector<FriBidiLevel> levels(static_cast<size_t>(n), 0);
  const FriBidiChar* codePoints = chars.codePoints.data();
  fribidi_get_bidi_types(codePoints, n, types.data());
  fribidi_get_bracket_types(codePoints, n, types.data(), brackets.data());
  FriBidiParType direction = FRIBIDI_PAR_LTR;
  if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &direction, levels.data()) == 0) {
    std::fill(levels.begin(), levels.end(), 0);
  }
  return levels;
}

// The script of every character; characters common to scripts (spaces, digits, punctuation,
// marks) take the script of the text before them, or at the start the first one after.
std::vector<hb_script_t> Scripts(const Characters& chars, hb_unicode_funcs_t* unicode) {
  std::vector<hb_script_t> scripts(chars.codePoints.size(), HB_SCRIPT_INVALID);
  hb_script_t last = HB_SCRIPT_INVALID;
  for (size_t i = 0; i < scripts.size(); ++i) {
    const hb_script_t script = hb_unicode_script(unicode, chars.codePoints[i]);
    if (script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED && script != HB_SCRIPT_UNKNOWN) last = script;
    scripts[i] = last;
  }
  const auto first = std::find_if(scripts.begin(), scripts.end(), [](hb_script_t s) { return s != HB_SCRIPT_INVALID; });
  const hb_script_t lead = first == scripts.end() ? HB_SCRIPT_COMMON : *first;
  for (auto it = scripts.begin(); it != first; ++it) *it = lead;
  return scripts;
}

// The instance each character is drawn from: marks and format characters stay with the
// character they belong to; others come from the selected face when it has them, else from
// the face it falls back on, else (no face has them) from the selected face's missing glyph.
std::vector<FontInstance*> Faces(FontInstance& instance, const Characters& chars, hb_unicode_funcs_t* unicode) {
  std::vector<FontInstance*> faces(chars.codePoints.size(), &instance);
  for (size_t i = 0; i < faces.size(); ++i) {
    const uint32_t codePoint = chars.codePoints[i];
    const hb_unicode_general_category_t category = hb_unicode_general_category(unicode, codePoint);
    if (i > 0 && (IsMark(category) || category == HB_UNICODE_GENERAL_CATEGORY_FORMAT)) {
      faces[i] = faces[i - 1];
      continue;
    }
    if (category == HB_UNICODE_GENERAL_CATEGORY_CONTROL || category == HB_UNICODE_GENERAL_CATEGORY_FORMAT ||
        GlyphIndex(instance, codePoint) != 0) {
      continue;
    }
    if (FontInstance* fallback = FallbackInstance(instance, codePoint)) faces[i] = fallback;
  }
  return faces;
}

struct Run {
  size_t first = 0, end = 0;  // characters
  FriBidiLevel level = 0;
  std::vector<ShapedGlyph> glyphs;
};

void ShapeRun(hb_buffer_t* buffer, const char16_t* text, size_t count, const Characters& chars, hb_script_t script,
              FontInstance& face, Run* run) {
  // GDI places text without kerning; glyph substitutions (joining forms, conjuncts,
  // ligatures) all stay as the font asks for them.
  static const hb_feature_t kNoKerning{HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END};
  hb_buffer_clear_contents(buffer);
  const uint32_t from = chars.starts[run->first];
  const uint32_t to = run->end < chars.starts.size() ? chars.starts[run->end] : static_cast<uint32_t>(count);
  hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text), static_cast<int>(count), from,
                      static_cast<int>(to - from));
  hb_buffer_set_direction(buffer, (run->level & 1) ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_set_script(buffer, script);
  hb_buffer_set_flags(buffer, static_cast<hb_buffer_flags_t>((from == 0 ? HB_BUFFER_FLAG_BOT : 0) |
                                                             (to == count ? HB_BUFFER_FLAG_EOT : 0)));
  hb_shape(ShaperFont(face), buffer, &kNoKerning, 1);
  unsigned int length = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &length);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &length);
  run->glyphs.resize(length);
  for (unsigned int i = 0; i < length; ++i) {
    ShapedGlyph& glyph = run->glyphs[i];
    glyph.font = &face;
    glyph.glyph = infos[i].codepoint;
    glyph.cluster = infos[i].cluster;
    glyph.x = positions[i].x_offset;
    glyph.y = positions[i].y_offset;
    glyph.advance = positions[i].x_advance;
  }
}

// The runs in visual order: from the highest level down to the lowest odd one, every sequence
// of runs at that level or above is reversed.
std::vector<size_t> VisualOrder(const std::vector<Run>& runs) {
  std::vector<size_t> order(runs.size());
  std::iota(order.begin(), order.end(), size_t{0});
  int highest = 0, lowest = INT_MAX;
  for (const Run& run : runs) {
    highest = std::max<int>(highest, run.level);
    lowest = std::min<int>(lowest, run.level);
  }
  for (int level = highest; level >= (lowest | 1); --level) {
    for (size_t i = 0; i < order.size();) {
      if (runs[order[i]].level < level) {
        ++i;
        continue;
      }
      size_t end = i;
      while (end < order.size() && runs[order[end]].level >= level) ++end;
      std::reverse(order.begin() + static_cast<ptrdiff_t>(i), order.begin() + static_cast<ptrdiff_t>(end));
      i = end;
    }
  }
  return order;
}

std::shared_ptr<ShapedLine> ShapeNow(FontInstance& instance, const char16_t* text, size_t count) {
  ++g_shapeCount;
  auto line = std::make_shared<ShapedLine>();
  const Characters chars = Decode(text, count);
  if (chars.codePoints.empty()) return line;
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  const std::vector<FriBidiLevel> levels = Levels(chars);
  const std::vector<hb_script_t> scripts = Scripts(chars, unicode);
  const std::vector<FontInstance*> faces = Faces(instance, chars, unicode);

  std::vector<Run> runs;
  for (size_t i = 0; i < levels.size(); ++i) {
    if (runs.empty() || levels[i] != runs.back().level || scripts[i] != scripts[runs.back().first] ||
        faces[i] != faces[runs.back().first]) {
      Run run;
      run.first = i;
      run.level = levels[i];
      runs.push_back(std::move(run));
    }
    runs.back().end = i + 1;
  }
  // A buffer of this text's own: it grows with the longest run and is not kept beyond it.
  hb_buffer_t* buffer = hb_buffer_create();
  size_t total = 0;
  for (Run& run : runs) {
    ShapeRun(buffer, text, count, chars, scripts[run.first], *faces[run.first], &run);
    total += run.glyphs.size();
  }
  hb_buffer_destroy(buffer);
  line->glyphs.reserve(total);
  int64_t pen = 0;
  for (size_t index : VisualOrder(runs)) {
    for (ShapedGlyph glyph : runs[index].glyphs) {
      glyph.x += pen;
      pen += glyph.advance;
      line->glyphs.push_back(glyph);
    }
  }
  line->width = static_cast<int>(std::clamp<int64_t>((pen + kUnit / 2) / kUnit, 0, INT_MAX));
  return line;
}

}  // namespace

ShapingState::~ShapingState() {
  if (font != nullptr) hb_font_destroy(font);
}

ShapingState& ShapingOf(FontInstance& instance) {
  if (!instance.shaping) instance.shaping = std::make_shared<ShapingState>();
  return *instance.shaping;
}

std::shared_ptr<const ShapedLine> TextShape(FontInstance& instance, const char16_t* text, size_t count) {
  if (count > kCachedTextUnits) return ShapeNow(instance, text, count);
  ShapingState& state = ShapingOf(instance);
  std::u16string key(text, count);
  if (auto it = state.lines.find(key); it != state.lines.end()) return it->second;
  std::shared_ptr<const ShapedLine> line = ShapeNow(instance, text, count);
  if (state.lineUnits + count > kCacheBudgetUnits || state.lines.size() >= kCacheLines) {
    state.lines.clear();
    state.lineUnits = 0;
  }
  state.lineUnits += count;
  state.lines.emplace(std::move(key), line);
  return line;
}

}  // namespace platform

namespace platform::testing {

int64_t TextShapeCount() { return platform::g_shapeCount.load(); }

}  // namespace platform::testing
