// Shaped text lines: a text split into runs by direction, script and face, each run shaped by
// HarfBuzz, laid out left to right in visual order. Also what each font instance keeps for it:
// the shaper's font, the faces it falls back on for characters it lacks, and the lines it has
// shaped. Everything here is used under the text lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "text_objects.h"

typedef struct hb_font_t hb_font_t;

namespace platform {

// One glyph of a shaped line. Positions are in 64ths of a pixel from the line's start.
struct ShapedGlyph {
  FontInstance* font = nullptr;  // the line's own instance or one it falls back on
  uint32_t glyph = 0;
  int64_t x = 0;         // where its origin stands along the baseline, offsets included
  int32_t y = 0;         // its offset upwards from the baseline
  int32_t advance = 0;   // how far the pen moves after it
  uint32_t cluster = 0;  // index of the first UTF-16 unit of the characters it shows
};

struct ShapedLine {
  std::vector<ShapedGlyph> glyphs;  // in visual order, left to right
  int width = 0;                    // the sum of the advances in whole pixels
};

struct ShapingState {
  ~ShapingState();
  hb_font_t* font = nullptr;
  // Characters this instance lacks and the instance drawn instead (null: no face has them).
  std::unordered_map<uint32_t, FontInstance*> fallbackFor;
  // The fallback instances, one per face, owned here.
  std::map<std::pair<std::string, int>, std::shared_ptr<FontInstance>> fallbackFaces;
  // Lines shaped before, by text.
  std::unordered_map<std::u16string, std::shared_ptr<const ShapedLine>> lines;
  size_t lineUnits = 0;  // UTF-16 units held by `lines`
};

// The shaping state of an instance, made at first use.
ShapingState& ShapingOf(FontInstance& instance);

// The instance to draw a character from that `instance` has no glyph for: the first face of
// fontconfig's sorted fallback list for this face that has it, at the same pixel size. Null
// when no installed face has it. Cached per instance and character.
FontInstance* FallbackInstance(FontInstance& instance, uint32_t codePoint);

// The text shaped in the instance (falling back on other faces where it lacks characters).
// Short texts are cached per instance, so the same label drawn again is shaped once.
std::shared_ptr<const ShapedLine> TextShape(FontInstance& instance, const char16_t* text, size_t count);

}  // namespace platform
