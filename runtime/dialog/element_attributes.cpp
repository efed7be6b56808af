// The attributes elements read from their description: the common ones every element has (ID,
// NAME, TEXT, sizes, FOLDED, FLAGS, the grid spans) and those of each layout class (spacing,
// expansion, alignment, margins, columns, the window's bounds).
#include <algorithm>

#include "core/constants.h"
#include "dialog.h"
#include "dialog_attributes.h"
#include "dialog_flags.h"
#include "dialog_layout.h"

namespace {

int32_t SizeValue(const XmlNode* node, const char16_t* name) {
  return static_cast<int32_t>(NumberAttribute(node, name, 0));
}

// ---- boxes ----

// An expand mode: YES, NO, EQUAL or "ITEM:n"; anything else leaves the class's default.
void ReadExpand(const char16_t* value, ExpandMode fallback, ExpandMode* mode, int64_t* item) {
  *mode = fallback;
  if (IsKeyword(value, u"YES")) *mode = ExpandMode::Yes;
  else if (IsKeyword(value, u"NO")) *mode = ExpandMode::No;
  else if (IsKeyword(value, u"EQUAL")) *mode = ExpandMode::Equal;
  else if (value && FindKeyword(value, u"ITEM:") == value) {
    *mode = ExpandMode::Item;
    *item = DecimalValue(value + 5) - 1;
  }
}

void ReadBox(BoxElement* box, const XmlNode* node) {
  box->spacing = NumberAttribute(node, u"SPACING", box->spacing);
  ReadExpand(XmlNodeAttribute(node, u"EXPAND"), ExpandMode::Yes, &box->expand, &box->expandItem);
  const char16_t* align = XmlNodeAttribute(node, u"ALIGN");
  if (IsKeyword(align, u"CENTER")) box->align = kAlignCentre;
  else if (IsKeyword(align, u"BOTTOM") || IsKeyword(align, u"RIGHT")) box->align = kAlignEnd;
}

void ReadGrid(GridElement* grid, const XmlNode* node, DialogBuild& build) {
  const char16_t* columns = XmlNodeAttribute(node, u"COLUMNS");
  if (columns) {
    grid->columns = std::max<int64_t>(1, NumberValue(columns));
    if (grid->columns > kDialogMaxColumns) {
      build.Error("'%s' asks for %s columns; a grid has room for 15.", grid->type->name, columns);
      grid->columns = kDialogMaxColumns;
    }
  }
  grid->columnSpacing = NumberAttribute(node, u"COLSPACING", grid->columnSpacing);
  grid->rowSpacing = NumberAttribute(node, u"ROWSPACING", grid->rowSpacing);
  ReadExpand(XmlNodeAttribute(node, u"COLEXPAND"), ExpandMode::Yes, &grid->columnExpand, &grid->columnItem);
  ReadExpand(XmlNodeAttribute(node, u"ROWEXPAND"), ExpandMode::No, &grid->rowExpand, &grid->rowItem);
}

// ---- single-child elements ----

void ReadMargin(SingleElement* single, const char16_t* margin) {
  if (margin == nullptr) return;
  if (FindKeyword(margin, u":") == nullptr) {
    single->top = single->bottom = single->left = single->right = DecimalValue(margin);
    return;
  }
  auto side = [margin](const char16_t* keyword, int64_t* value) {
    if (const char16_t* at = FindKeyword(margin, keyword)) *value = DecimalValue(at + std::char_traits<char16_t>::length(keyword));
  };
  single->top = single->bottom = single->left = single->right = 0;
  side(u"TOP:", &single->top);
  side(u"BOTTOM:", &single->bottom);
  side(u"LEFT:", &single->left);
  side(u"RIGHT:", &single->right);
  int64_t vertical = -1, horizontal = -1;
  if (FindKeyword(margin, u"VERTICAL:")) {
    side(u"VERTICAL:", &vertical);
    single->top = single->bottom = vertical;
  }
  if (FindKeyword(margin, u"HORIZONTAL:")) {
    side(u"HORIZONTAL:", &horizontal);
    single->left = single->right = horizontal;
  }
}

void ReadSingle(SingleElement* single, const XmlNode* node) {
  ReadMargin(single, XmlNodeAttribute(node, u"MARGIN"));
  const char16_t* expand = XmlNodeAttribute(node, u"EXPAND");
  if (IsKeyword(expand, u"YES")) single->expandVertical = single->expandHorizontal = true;
  else if (IsKeyword(expand, u"NO")) single->expandVertical = single->expandHorizontal = false;
  else if (IsKeyword(expand, u"VERTICAL")) single->expandVertical = !(single->expandHorizontal = false);
  else if (IsKeyword(expand, u"HORIZONTAL")) single->expandHorizontal = !(single->expandVertical = false);
  single->expandWidthCap = NumberAttribute(node, u"EXPANDWIDTH", 0);
  single->expandHeightCap = NumberAttribute(node, u"EXPANDHEIGHT", 0);
  const char16_t* align = XmlNodeAttribute(node, u"ALIGN");
  if (align == nullptr) return;
  if (FindKeyword(align, u"TOP")) single->alignVertical = kAlignStart;
  if (FindKeyword(align, u"BOTTOM")) single->alignVertical = kAlignEnd;
  if (FindKeyword(align, u"LEFT")) single->alignHorizontal = kAlignStart;
  if (FindKeyword(align, u"RIGHT")) single->alignHorizontal = kAlignEnd;
  int8_t rest = FindKeyword(align, u"CENTER") ? kAlignCentre : kAlignStart;
  if (single->alignVertical == kAlignNone) single->alignVertical = rest;
  if (single->alignHorizontal == kAlignNone) single->alignHorizontal = rest;
}

int64_t BoundValue(const XmlNode* node, const char16_t* name) {
  const char16_t* value = XmlNodeAttribute(node, name);
  if (value == nullptr) return kBoundAbsent;
  if (IsKeyword(value, u"AUTO")) return kBoundAuto;
  return std::max<int64_t>(0, NumberValue(value));
}

}  // namespace

void ElementReadCommonAttributes(DialogElement* element, const XmlNode* node, DialogBuild& build) {
  const char16_t* id = XmlNodeAttribute(node, u"ID");
  if (id && !IsKeyword(id, u"#CV_Any")) {
    int64_t value = 0;
    if (RuntimeNameFind(id, &value)) element->requestedNumber = value;
    else if (id[0] == u'#') build.Error("'%s' constant is not found or not declared as runtime%s.", id, u"");
    else element->requestedNumber = DecimalValue(id, kObjectNumberLimit);
  }
  if (const char16_t* name = XmlNodeAttribute(node, u"NAME")) element->name = name;
  if (const char16_t* text = XmlNodeAttribute(node, u"TEXT")) element->text = text;
  element->minimumWidth = SizeValue(node, u"WIDTH");
  element->minimumHeight = SizeValue(node, u"HEIGHT");
  element->folded = IsYes(node, u"FOLDED");
  element->columnSpan = static_cast<int32_t>(std::max<int64_t>(1, NumberAttribute(node, u"COLSPAN", 1)));
  element->rowSpan = static_cast<int32_t>(std::max<int64_t>(1, NumberAttribute(node, u"ROWSPAN", 1)));
  if (const char16_t* flags = XmlNodeAttribute(node, u"FLAGS")) {
    element->flags = FlagExpressionValue(flags, *element->type->flags, XmlNodeName(node), build);
  }
}

void ElementReadLayoutAttributes(DialogElement* element, const XmlNode* node, DialogBuild& build) {
  switch (element->type->shape) {
    case ElementShape::VBox:
    case ElementShape::HBox: ReadBox(static_cast<BoxElement*>(element), node); break;
    case ElementShape::Grid: ReadGrid(static_cast<GridElement*>(element), node, build); break;
    case ElementShape::Window: {
      auto* window = static_cast<WindowElement*>(element);
      ReadSingle(window, node);
      window->minimumBoundWidth = BoundValue(node, u"MINWIDTH");
      window->minimumBoundHeight = BoundValue(node, u"MINHEIGHT");
      window->maximumBoundWidth = BoundValue(node, u"MAXWIDTH");
      window->maximumBoundHeight = BoundValue(node, u"MAXHEIGHT");
      break;
    }
    case ElementShape::Single:
    case ElementShape::Container:
    case ElementShape::Frame:
    case ElementShape::Tab:
    case ElementShape::ScrollArea: ReadSingle(static_cast<SingleElement*>(element), node); break;
    case ElementShape::Multi:
    case ElementShape::Empty:
    case ElementShape::Panel:
    case ElementShape::Splitter:
    case ElementShape::Gadget: break;
  }
}
