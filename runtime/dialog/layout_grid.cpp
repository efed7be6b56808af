// The grid: children fill cells row by row from a cursor, may span columns and rows, and the
// columns and rows take the sizes their children need (raised, never lowered, from one
// computation to the next) before the expand modes share out what is left.
#include <algorithm>

#include "dialog.h"
#include "dialog_layout.h"

namespace {

// Shares a span's shortfall among its tracks (columns or rows) by the expand mode.
void WidenSpan(int64_t* tracks, int64_t first, int64_t span, int64_t spacing, int64_t needed, ExpandMode mode,
               int64_t item) {
  int64_t total = spacing * (span - 1);
  for (int64_t k = first; k < first + span; ++k) total += tracks[k];
  if (total >= needed) return;
  int64_t last = first + span - 1;
  switch (mode) {
    case ExpandMode::Equal: {
      int64_t each = (needed - spacing * (span - 1)) / span;
      for (int64_t k = first; k <= last; ++k) tracks[k] = std::max(tracks[k], each);
      break;
    }
    case ExpandMode::Yes:
      for (int64_t k = first; k <= last; ++k) tracks[k] += (needed - total) / span;
      break;
    case ExpandMode::Item:
      tracks[item >= first && item <= last ? item : last] += needed - total;
      break;
    case ExpandMode::No: tracks[last] += needed - total; break;
  }
}

// The sizes of `count` tracks for a placement in `available`, by the expand mode.
void ShareTracks(const int64_t* required, int64_t* given, int64_t count, int64_t spacing, int64_t requiredTotal,
                 int64_t available, ExpandMode mode, int64_t item) {
  if (count < 1) return;
  for (int64_t k = 0; k < count; ++k) {
    if (mode == ExpandMode::Equal) given[k] = (available - (count - 1) * spacing) / count;
    else if (available < 1 || available >= requiredTotal) {
      int64_t extra = available - requiredTotal;
      if (mode == ExpandMode::Yes) given[k] = required[k] + extra / count;
      else if (mode == ExpandMode::Item) given[k] = required[k] + (k == item ? extra : 0);
      else given[k] = required[k];
    } else {
      given[k] = available * required[k] / requiredTotal;
    }
  }
}

}  // namespace

GridElement::~GridElement() {
  for (int64_t index : placed) delete cells[static_cast<size_t>(index)].child;
}

DialogElement* GridElement::Child(int64_t index) const {
  return cells[static_cast<size_t>(placed[static_cast<size_t>(index)])].child;
}

bool GridElement::AddChild(DialogElement* child, DialogBuild& build) {
  auto needRows = [&](int64_t rows) {
    if (rows > kDialogMaxRows) {
      build.Error("'%s' needs more than 70 rows; a grid has room for 70.", type->name);
      return false;
    }
    if (static_cast<int64_t>(cells.size()) < rows * columns) cells.resize(static_cast<size_t>(rows * columns));
    return true;
  };
  int64_t index = cursor;
  for (;; ++index) {
    if (!needRows(index / columns + 1)) return false;
    const Cell& cell = cells[static_cast<size_t>(index)];
    if (cell.child == nullptr && !cell.covered) break;
  }
  int64_t row = index / columns, column = index % columns;
  int64_t columnSpan = std::min<int64_t>(std::max(1, child->columnSpan), columns - column);
  int64_t rowSpan = std::max(1, child->rowSpan);
  if (!needRows(row + rowSpan)) return false;
  for (int64_t r = row; r < row + rowSpan; ++r) {
    for (int64_t c = column; c < column + columnSpan; ++c) At(r, c).covered = true;
  }
  Cell& first = At(row, column);
  first.child = child;
  first.columnSpan = static_cast<int32_t>(columnSpan);
  first.rowSpan = static_cast<int32_t>(rowSpan);
  placed.push_back(index);
  cursor = index + 1;
  child->parent = this;
  return true;
}

void GridElement::Finish(DialogBuild& build) {
  DialogElement::Finish(build);
  int64_t rows = static_cast<int64_t>(cells.size()) / columns;
  rowsInUse = 0;
  for (int64_t r = 0; r < rows; ++r) {
    bool used = false;
    for (int64_t c = 0; c < columns; ++c) used = used || At(r, c).child || At(r, c).covered;
    if (!used) break;
    rowsInUse = r + 1;
  }
}

void GridElement::ComputeSize(int64_t* width, int64_t* height) {
  std::vector<std::pair<int64_t, int64_t>> sizes(placed.size());
  for (size_t i = 0; i < placed.size(); ++i) {
    const Cell& cell = cells[static_cast<size_t>(placed[i])];
    int64_t row = placed[i] / columns, column = placed[i] % columns;
    cell.child->RequiredSize(&sizes[i].first, &sizes[i].second);
    if (cell.columnSpan == 1) columnWidths[column] = std::max(columnWidths[column], sizes[i].first);
    if (cell.rowSpan == 1) rowHeights[row] = std::max(rowHeights[row], sizes[i].second);
  }
  for (size_t i = 0; i < placed.size(); ++i) {
    const Cell& cell = cells[static_cast<size_t>(placed[i])];
    int64_t row = placed[i] / columns, column = placed[i] % columns;
    if (cell.columnSpan > 1) {
      WidenSpan(columnWidths.data(), column, cell.columnSpan, columnSpacing, sizes[i].first, columnExpand, columnItem);
    }
    if (cell.rowSpan > 1) {
      WidenSpan(rowHeights.data(), row, cell.rowSpan, rowSpacing, sizes[i].second, rowExpand, rowItem);
    }
  }
  requiredWidth = requiredHeight = 0;
  if (rowsInUse > 0) {
    for (int64_t c = 0; c < columns; ++c) requiredWidth += columnWidths[c];
    requiredWidth += columnSpacing * (columns - 1);
    for (int64_t r = 0; r < rowsInUse; ++r) requiredHeight += rowHeights[r];
    requiredHeight += rowSpacing * (rowsInUse - 1);
  }
  *width = requiredWidth;
  *height = requiredHeight;
  RaiseToMinimum(width, height);
}

void GridElement::Place(int64_t x, int64_t y, int64_t width, int64_t height) {
  std::array<int64_t, 15> widths{};
  std::array<int64_t, 70> heights{};
  ShareTracks(columnWidths.data(), widths.data(), columns, columnSpacing, requiredWidth, width, columnExpand,
              columnItem);
  ShareTracks(rowHeights.data(), heights.data(), rowsInUse, rowSpacing, requiredHeight, height, rowExpand, rowItem);
  for (int64_t index : placed) {
    const Cell& cell = cells[static_cast<size_t>(index)];
    if (cell.child->folded) continue;
    int64_t row = index / columns, column = index % columns;
    int64_t left = x + column * columnSpacing, top = y + row * rowSpacing;
    for (int64_t c = 0; c < column; ++c) left += widths[c];
    for (int64_t r = 0; r < row; ++r) top += heights[r];
    int64_t cellWidth = widths[column], cellHeight = heights[row];
    for (int64_t c = column + 1; c < column + cell.columnSpan; ++c) cellWidth += columnSpacing + widths[c];
    for (int64_t r = row + 1; r < row + cell.rowSpan && r < rowsInUse; ++r) cellHeight += rowSpacing + heights[r];
    cell.child->Place(left, top, cellWidth, cellHeight);
  }
}
