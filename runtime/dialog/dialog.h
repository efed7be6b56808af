// Dialogs described in XML: a window and its gadgets built from a description, laid out by the
// layout engine and found again by the names the description gives. Also the runtime name
// table, through which descriptions refer to constants and procedures by name.
#pragma once

#include <cstdint>

#include "gui/event_queue.h"

// ---- the runtime name table ----
// Names are matched without regard to case. Constants are declared under the name a description
// writes, "#" included where it writes one ("#CV_Any" for an "ID", "Spacing" for a "WIDTH").
// The table starts with the runtime's own "#CV_..." constants.
void RuntimeNameTableInit();
void RuntimeNameTableShutdown();
// Declares (or redeclares) a name; 1 on success, 0 for an empty name or without the table.
int64_t RuntimeNameDeclareConstant(const char16_t* name, int64_t value);
int64_t RuntimeNameDeclareProcedure(const char16_t* name, EventCallback procedure);
// The value of a constant (or the address of a procedure); 0 when the name is not declared.
int64_t RuntimeNameFind(const char16_t* name, int64_t* value);
// The procedure declared under a name, none when the name is missing or not a procedure.
EventCallback RuntimeNameProcedure(const char16_t* name);

// ---- dialogs ----
void DialogInit();
void DialogShutdown();

// A new dialog under a number or CV_Any (the automatic id); 0 on failure.
int64_t DialogNew(int64_t dialog);
// Builds the window named `windowName` (empty: the first) from an XML document, lays it out at
// least `width` x `height` and shows it. 1 on success; 0 on failure, with DialogErrorText set.
int64_t DialogOpenXml(int64_t dialog, int64_t document, const char16_t* windowName, int64_t x = 0, int64_t y = 0,
                      int64_t width = 0, int64_t height = 0, int64_t parent = 0);
// The gadget of the first element with that name (any case); -1 if none or without a gadget.
int64_t DialogFindGadget(int64_t dialog, const char16_t* name);
// The dialog's window number, -1 if it has none.
int64_t DialogWindowNumber(int64_t dialog);
// Lays the dialog out again, growing the window when its content needs more room.
int64_t DialogRefresh(int64_t dialog);
// The first error of the last failed open, on the temporary string stack at `start`; empty
// when there is none.
char16_t* DialogErrorText(int64_t dialog, int64_t start);
// Non-zero while the dialog exists.
int64_t DialogIsValid(int64_t dialog);
// Destroys the dialog's elements, closes its window and frees it; CV_Any frees every dialog.
int64_t DialogFree(int64_t dialog);

// Limits of a description; one that exceeds them is refused with an error text.
constexpr int64_t kDialogMaxChildren = 100;
constexpr int64_t kDialogMaxColumns = 15;
constexpr int64_t kDialogMaxRows = 70;
constexpr int64_t kDialogMaxDepth = 200;
