// The string runtime: runtime strings are zero-terminated UTF-16 texts in blocks of the string
// heap, a null pointer being the empty text. String results are built on the temporary string
// stack and addressed there by byte offsets, because growing the stack moves it.
#pragma once

#include <cstdint>

void StringHeapInit();
void StringHeapShutdown();

// String variables.
void StrAssign(char16_t** variable, const char16_t* text);
void StrCopyNew(char16_t** variable, const char16_t* text);
void StrFree(char16_t* block);
int64_t StrEqual(const char16_t* a, const char16_t* b);

// The temporary string stack.
const char16_t* StrTempAppend(const char16_t* text);
int64_t StrTempStore(char16_t** variable, int64_t start);
char16_t* StrTempReserve(int64_t characters, int64_t start);
void StrTempShrink(int64_t characters);
void StrTempTruncate(int64_t offset);
int64_t StrTempOffset(const void* pointer);
char16_t* StrTempAddress(int64_t offsetPlusOne);
void StrCopyChars(char16_t* destination, const char16_t* source, int64_t characters);

// The stack's current end (a byte offset): the start offset for the next string result.
int64_t StrTempPosition();
// The stack text that starts at a byte offset.
char16_t* StrTempAt(int64_t offset);
// Bytes allocated for the stack; for tests of its growth.
int64_t StrTempSize();

// Length in UTF-16 units of a runtime string (0 for null).
int64_t StrLen(const char16_t* text);
