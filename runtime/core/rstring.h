// A thin C++ layer over the string runtime for application code: RString is a string variable
// that owns its block through StrAssign/StrFree, and StrExpr builds one expression on the
// temporary stack and puts the stack back where it found it when it goes out of scope.
//
//   RString name;
//   StrExpr().Append(u"Label ").Call(StrFromInt, 42).StoreInto(name);
#pragma once

#include <cstdint>
#include <utility>

#include "string_runtime.h"

class RString {
 public:
  RString() = default;
  RString(const char16_t* text) { StrAssign(&block_, text); }  // NOLINT: converts like a string
  RString(const RString& other) { StrAssign(&block_, other.block_); }
  RString(RString&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  ~RString() { StrFree(block_); }

  RString& operator=(const RString& other) {
    if (this != &other) StrAssign(&block_, other.block_);
    return *this;
  }
  RString& operator=(RString&& other) noexcept {
    if (this != &other) {
      StrFree(block_);
      block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
  }
  RString& operator=(const char16_t* text) {
    StrAssign(&block_, text);
    return *this;
  }

  // The runtime string: null for the empty text that was never assigned.
  const char16_t* get() const { return block_; }
  // Never null: for callers that need a text to read.
  const char16_t* c_str() const { return block_ ? block_ : u""; }
  // The variable itself, for runtime operations that assign to it.
  char16_t** address() { return &block_; }
  int64_t length() const { return StrLen(block_); }
  bool empty() const { return block_ == nullptr || block_[0] == 0; }

  friend bool operator==(const RString& a, const RString& b) { return StrEqual(a.block_, b.block_) != 0; }
  friend bool operator==(const RString& a, const char16_t* b) { return StrEqual(a.block_, b) != 0; }

 private:
  char16_t* block_ = nullptr;
};

class StrExpr {
 public:
  StrExpr() : start_(StrTempPosition()) {}
  StrExpr(const StrExpr&) = delete;
  StrExpr& operator=(const StrExpr&) = delete;
  ~StrExpr() { StrTempTruncate(start_); }

  StrExpr& Append(const char16_t* text) {
    StrTempAppend(text);
    return *this;
  }
  StrExpr& Append(const RString& text) { return Append(text.get()); }

  // Appends the result of a string-returning runtime operation: `function(args..., start)`.
  template <class Function, class... Args>
  StrExpr& Call(Function&& function, Args&&... args) {
    function(std::forward<Args>(args)..., StrTempPosition());
    return *this;
  }

  // Stores the expression into a variable and pops it off the stack.
  void StoreInto(RString& variable) { StrTempStore(variable.address(), start_); }
  void StoreInto(char16_t** variable) { StrTempStore(variable, start_); }

  // The expression's text, valid until the next operation that may grow the stack; the
  // terminator is kept while further texts are built behind it.
  const char16_t* Text() const { return StrTempAt(start_); }
  // Ends the expression so that it can be passed to a procedure as it stands on the stack.
  const char16_t* Pass() {
    StrTempReserve(1, StrTempPosition());
    return StrTempAt(start_);
  }
  int64_t start() const { return start_; }

 private:
  int64_t start_;
};
