// Flag expressions of dialog descriptions and the flag tables of the elements that have one.
#pragma once

#include <cstdint>

#include "dialog_element.h"

extern const FlagTable kWindowFlags, kButtonFlags, kButtonImageFlags, kCalendarFlags, kCanvasFlags,
    kCheckBoxFlags, kComboBoxFlags, kContainerFlags, kDateFlags, kExplorerComboFlags, kExplorerListFlags,
    kExplorerTreeFlags, kEditorFlags, kFrameFlags, kListViewFlags, kListIconFlags, kScrollAreaFlags,
    kScrollBarFlags, kSplitterFlags, kStringFlags, kSpinFlags, kTreeFlags, kImageFlags, kProgressBarFlags,
    kTrackBarFlags, kHyperLinkFlags, kTextFlags, kNoFlags;

// The value a table gives a name (any case); 0 with *found false when the name is not there.
uint32_t FlagTableValue(const FlagTable& table, const char16_t* name, bool* found);
// The OR of the flags an expression names. The first unknown name records an error naming the
// description element and ends the reading.
uint32_t FlagExpressionValue(const char16_t* expression, const FlagTable& table, const char16_t* elementName,
                             DialogBuild& build);
