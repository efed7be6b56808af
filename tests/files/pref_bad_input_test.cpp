// Preference files that are not what a settings file should be (binary junk, NUL bytes, invalid
// UTF-8, a huge file, absurd keys, directories, missing names) and memory that runs out: each
// gets a defined result, and nothing on disk is lost that was not replaced on purpose.
#include <random>

#include "files_fixture.h"
#include "testing.h"

namespace {

using PrefBadInputTest = FilesTest;

TEST_F(PrefBadInputTest, BinaryJunkIsParsedWithoutHarmAndSurvivesARewriteAsLines) {
  std::mt19937 random(8);
  std::string junk;
  for (int i = 0; i < 64 * 1024; ++i) junk += static_cast<char>(random() & 0xFF);
  junk += "\nFontSize = 33\n";
  WriteBytes(Path("junk.ini"), junk);
  ASSERT_NE(PrefOpen(Name("junk.ini").c_str(), 0), 0);
  PrefReadInt(u"FontSize", 0);  // may be shadowed by a line of the junk; it must only not fail
  ReadString(u"", u"x");
  PrefWriteInt(u"Border", 2);
  PrefClose();
  std::string rewritten = ReadBytes(Path("junk.ini"));
  ASSERT_GE(rewritten.size(), kMark.size());
  EXPECT_EQ(rewritten.substr(0, kMark.size()), kMark);
  EXPECT_NE(rewritten.find("\r\nBorder = 2\r\n"), std::string::npos);
  // What was written reads back the same.
  ASSERT_NE(PrefOpen(Name("junk.ini").c_str(), 0), 0);
  PrefWriteInt(u"Border", 2);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("junk.ini")), rewritten);
}

TEST_F(PrefBadInputTest, ANulByteEndsTheTextOfItsLineOnly) {
  WriteBytes(Path("nul.ini"), std::string("\xEF\xBB\xBF" "a = x\0y\r\nb = 2\r\n\0c = 3\r\nd \t\0e = 4\r\n", 38));
  ASSERT_NE(PrefOpen(Name("nul.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadString(u"a"), u"x");
  EXPECT_EQ(PrefReadInt(u"b", 0), 2);
  EXPECT_EQ(PrefReadInt(u"c", -1), -1);  // its line's key text is empty
  EXPECT_EQ(PrefReadInt(u"", -1), 3);
  EXPECT_EQ(PrefReadInt(u"d", -1), 4);  // blanks before the NUL are cut like trailing ones
  PrefWriteString(u"a", u"xyz");  // longer than the value's text: new storage
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("nul.ini")), kMark + "a = xyz\r\nb = 2\r\n = 3\r\nd = 4\r\n");
}

TEST_F(PrefBadInputTest, InvalidUtf8ReadsAsReplacementCharactersAndIsWrittenBackUnchanged) {
  const std::string bad = "\xEF\xBB\xBF\r\nname = \xC3\x28\xFF\xE2\x82\r\nk = 1\r\n";
  WriteBytes(Path("u.ini"), bad);
  ASSERT_NE(PrefOpen(Name("u.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadString(u"name"), u"\uFFFD(\uFFFD\uFFFD");
  PrefWriteInt(u"k", 1);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("u.ini")), bad);
}

TEST_F(PrefBadInputTest, AHundredMegabyteFileIsReadAndWrittenWhole) {
  std::string line = "key" + std::string(990, 'k') + " = " + std::string(1000, 'v') + "\r\n";
  std::string big;
  big.reserve(100u << 20);
  for (int i = 0; big.size() < (100u << 20); ++i) big += "n" + std::to_string(i) + line;
  big += "FontSize = 12\r\n";
  WriteBytes(Path("big.ini"), big);
  ASSERT_NE(PrefOpen(Name("big.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefReadInt(u"FontSize", 0), 12);
  PrefWriteInt(u"FontSize", 13);
  PrefClose();
  std::string rewritten = ReadBytes(Path("big.ini"));
  EXPECT_EQ(rewritten.size(), kMark.size() + big.size());
  EXPECT_EQ(rewritten.substr(rewritten.size() - 15), "FontSize = 13\r\n");
  EXPECT_EQ(rewritten.compare(kMark.size(), line.size() + 2, "n0" + line), 0);
}

TEST_F(PrefBadInputTest, AKeyOfTenThousandCharactersIsWrittenAndFoundAgain) {
  std::u16string key(10000, u'K');
  key[9999] = u'\u00E9';
  ASSERT_NE(PrefCreate(Name("long.ini").c_str(), 0), 0);
  PrefWriteString(key.c_str(), u"value");
  PrefClose();
  std::string utf8Key = std::string(9999, 'K') + "\xC3\xA9";
  EXPECT_EQ(ReadBytes(Path("long.ini")), kMark + utf8Key + " = value\r\n");
  ASSERT_NE(PrefOpen(Name("long.ini").c_str(), 0), 0);
  key[0] = u'k';
  EXPECT_EQ(ReadString(key.c_str()), u"value");
}

TEST_F(PrefBadInputTest, ADirectoryAsFileNameIsNeitherReadNorReplaced) {
  ASSERT_EQ(::mkdir(Path("dir.ini").c_str(), 0755), 0);
  EXPECT_EQ(PrefCreate(Name("dir.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefOpen(Name("dir.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 1);  // collected as for a missing file
  EXPECT_EQ(PrefReadInt(u"a", 0), 1);
  EXPECT_EQ(PrefFlush(), 0);
  PrefClose();
  struct stat info {};
  ASSERT_EQ(::stat(Path("dir.ini").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"dir.ini"});
}

TEST_F(PrefBadInputTest, NullAndEmptyNamesAndTextsAreTakenAsEmpty) {
  EXPECT_EQ(PrefCreate(nullptr, 0), 0);
  EXPECT_EQ(PrefOpen(nullptr, 0), 0);
  PrefWriteString(nullptr, nullptr);
  EXPECT_EQ(ReadString(nullptr, nullptr), u"");
  EXPECT_EQ(PrefFlush(), 0);  // an empty name has nowhere to be written
  PrefClose();
  EXPECT_EQ(PrefOpen(u"", 0), 0);
  PrefClose();
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{});
}

TEST_F(PrefBadInputTest, AFileThatCannotBeHeldInMemoryIsLeftClosedAndUntouched) {
  WriteBytes(Path("m.ini"), "a = 1\r\n");
  platform::testing::HeapFailAfter(1, 1000);
  EXPECT_EQ(PrefOpen(Name("m.ini").c_str(), 0), 0);
  platform::testing::HeapFailAfter(0);
  EXPECT_EQ(PrefReadInt(u"a", 9), 9);
  PrefWriteInt(u"a", 2);  // no file is current: the write goes nowhere
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("m.ini")), "a = 1\r\n");
}

TEST_F(PrefBadInputTest, WhenMemoryRunsOutAReadGivesItsDefaultAndAWriteIsDropped) {
  WriteBytes(Path("m.ini"), "a = 1\r\n");
  ASSERT_NE(PrefOpen(Name("m.ini").c_str(), 0), 0);
  platform::testing::HeapFailAfter(1, 1000);
  EXPECT_EQ(PrefReadInt(u"a", 9), 9);
  PrefWriteInt(u"b", 2);
  PrefWriteString(u"a", u"a much longer value");
  platform::testing::HeapFailAfter(0);
  EXPECT_EQ(PrefFlush(), 0);
  EXPECT_EQ(PrefReadInt(u"a", 9), 1);
  // A write-out that cannot build its text leaves the file as it is and can be tried again.
  PrefWriteInt(u"b", 2);
  platform::testing::HeapFailAfter(1, 1000);
  EXPECT_EQ(PrefFlush(), 0);
  platform::testing::HeapFailAfter(0);
  EXPECT_EQ(ReadBytes(Path("m.ini")), "a = 1\r\n");
  EXPECT_EQ(PrefFlush(), 1);
  EXPECT_EQ(ReadBytes(Path("m.ini")), kMark + "a = 1\r\nb = 2\r\n");
}

}  // namespace
