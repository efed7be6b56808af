// Runs a test body in a fresh current directory, where the program keeps its settings file.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

class InFreshDirectory {
 public:
  InFreshDirectory() {
    char pattern[] = "/tmp/stampwork-test-XXXXXX";
    dir_ = mkdtemp(pattern);
    old_ = getcwd(nullptr, 0);
    EXPECT_EQ(chdir(dir_.c_str()), 0);
  }
  ~InFreshDirectory() {
    EXPECT_EQ(chdir(old_), 0);
    free(old_);
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
  bool Exists(const std::string& name) { return access((dir_ + "/" + name).c_str(), F_OK) == 0; }
  std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }
  std::u16string Path(const std::string& name) {
    std::string path = dir_ + "/" + name;
    return std::u16string(path.begin(), path.end());
  }
  void Write(const std::string& name, const std::string& content) { std::ofstream(dir_ + "/" + name) << content; }

 private:
  std::string dir_;
  char* old_;
};
