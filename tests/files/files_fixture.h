// What the file and preference tests share: a fresh temporary directory per test, byte-exact
// file reading and writing, and a fixture that starts the two libraries on fresh heaps.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime_fixture.h"

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/files-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "";
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }
  // Names in the directory, for checks that a write-out leaves nothing behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline std::u16string U16(const std::string& text) { return platform::Utf8ToUtf16(text.c_str()); }

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// The main heap and the string heap with the file and preference libraries started on them.
class FilesTest : public CoreRuntimeTest {
 protected:
  void SetUp() override {
    CoreRuntimeTest::SetUp();
    ASSERT_FALSE(dir_.path().empty());
    FileInit();
    PrefInit();
  }
  void TearDown() override {
    PrefShutdown();
    FileShutdown();
    CoreRuntimeTest::TearDown();
  }

  std::string Path(const std::string& name) const { return dir_.File(name); }
  std::u16string Name(const std::string& name) const { return U16(dir_.File(name)); }

  // A key's text read with PrefReadString, as the application reads it.
  static std::u16string ReadString(const char16_t* key, const char16_t* defaultValue = nullptr) {
    StrExpr expression;
    expression.Call(PrefReadString, key, defaultValue);
    return Text(expression.Text());
  }

  TempDir dir_;
};

// The bytes a saved file begins with: the UTF-8 byte-order mark and an empty first line.
inline const std::string kMark = "\xEF\xBB\xBF\r\n";
