// The preference library as the application uses it: saving, loading, the key lookup, the
// parser's rules for what another program wrote, and the exact bytes of every write-out.
#include <sys/stat.h>
#include <utime.h>

#include "files_fixture.h"

namespace {

using PrefTest = FilesTest;

TEST_F(PrefTest, SavingWritesMarkEmptyLineAndOneLinePerKeyInTheOrderOfFirstWriting) {
  EXPECT_NE(PrefCreate(Name("s.ini").c_str(), 0), 0);
  PrefWriteInt(u"xText", 320);
  PrefWriteString(u"FontName", u"Arial");
  PrefWriteInt(u"bText", -16777216);
  PrefWriteString(u"PreText", nullptr);
  PrefWriteString(u"LastText", u"End");
  PrefWriteInt(u"xText", 321);  // a later write keeps the first place
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("s.ini")), kMark +
                                          "xText = 321\r\n"
                                          "FontName = Arial\r\n"
                                          "bText = -16777216\r\n"
                                          "PreText = \r\n"
                                          "LastText = End\r\n");
}

TEST_F(PrefTest, CreateAndCloseWithoutWritesLeavesAnEmptyFileButTheOldContentStaysUntilTheClose) {
  EXPECT_NE(PrefCreate(Name("new.ini").c_str(), 0), 0);
  EXPECT_TRUE(Exists(Path("new.ini")));
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("new.ini")), "");

  WriteBytes(Path("old.ini"), "a = 1\r\n");
  EXPECT_NE(PrefCreate(Name("old.ini").c_str(), 0), 0);
  // A crash at this point must not have cost the settings there were.
  EXPECT_EQ(ReadBytes(Path("old.ini")), "a = 1\r\n");
  EXPECT_EQ(PrefReadInt(u"a", 7), 7);  // a created file starts empty
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("old.ini")), "");
}

TEST_F(PrefTest, OpeningAndReadingLeavesTheFileUntouchedToItsModificationTime) {
  const std::string content = "FontSize = 80\r\n[Group]\r\nx=1\r\n\r\n";
  WriteBytes(Path("r.ini"), content);
  struct utimbuf old = {1000000000, 1000000000};
  ASSERT_EQ(::utime(Path("r.ini").c_str(), &old), 0);
  struct stat before {};
  ASSERT_EQ(::stat(Path("r.ini").c_str(), &before), 0);

  EXPECT_NE(PrefOpen(Name("r.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefReadInt(u"FontSize", 0), 80);
  EXPECT_EQ(ReadString(u"FontName", u"Arial"), u"Arial");
  EXPECT_EQ(PrefFlush(), 0);
  PrefClose();

  struct stat after {};
  ASSERT_EQ(::stat(Path("r.ini").c_str(), &after), 0);
  EXPECT_EQ(after.st_mtime, 1000000000);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(ReadBytes(Path("r.ini")), content);
}

TEST_F(PrefTest, WritingAKeyTwiceKeepsOneLineWithTheLastValueAndSpelling) {
  WriteBytes(Path("d.ini"), "\xEF\xBB\xBFzero = 3\r\nAnchor = 4\r\n");
  ASSERT_NE(PrefOpen(Name("d.ini").c_str(), 0), 0);
  PrefWriteInt(u"ZERO", 12345);  // longer than the parsed value: new storage
  PrefWriteInt(u"Zero", 5);      // shorter: the storage is reused
  PrefWriteString(u"ANCHOR", u"a longer text than before");
  PrefWriteString(u"anchor", u"8");
  EXPECT_EQ(PrefReadInt(u"zero", 0), 5);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("d.ini")), kMark + "Zero = 5\r\nanchor = 8\r\n");
}

TEST_F(PrefTest, KeysMatchWithoutRegardToTheCaseOfAsciiLettersOnly) {
  WriteBytes(Path("k.ini"), "\xEF\xBB\xBF" "FONTNAME = Liberation Sans\r\n\xC3\x84pfel = 1\r\n");
  ASSERT_NE(PrefOpen(Name("k.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadString(u"fontname"), u"Liberation Sans");
  EXPECT_EQ(ReadString(u"FontName"), u"Liberation Sans");
  EXPECT_EQ(PrefReadInt(u"\u00C4pfel", 0), 1);   // the same bytes
  EXPECT_EQ(PrefReadInt(u"\u00E4pfel", 0), 0);   // a-umlaut in lower case is other bytes
  EXPECT_EQ(PrefReadInt(u"\u00C4PFEL", 0), 1);   // the ASCII letters may differ in case
  EXPECT_EQ(PrefReadInt(u"fontnam", -1), -1);    // a prefix is not a match
  EXPECT_EQ(PrefReadInt(u"fontnamee", -1), -1);
}

TEST_F(PrefTest, SpacesAndTabsAroundKeyAndEqualsSignAreIgnoredAndRewrittenAsOneSpace) {
  WriteBytes(Path("w.ini"), "a=1\r\n  \t b \t =\t  2\r\nc\r\n   \t\r\n");
  ASSERT_NE(PrefOpen(Name("w.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefReadInt(u"a", 0), 1);
  EXPECT_EQ(PrefReadInt(u"b", 0), 2);
  EXPECT_EQ(ReadString(u"c", u"none"), u"");  // a line without "=" is a key with an empty value
  PrefWriteInt(u"d", 4);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("w.ini")), kMark + "a = 1\r\nb = 2\r\nc = \r\nd = 4\r\n");
}

TEST_F(PrefTest, TrailingSpacesOfAValueAreKeptAndLeadingOnesAreNot) {
  ASSERT_NE(PrefCreate(Name("v.ini").c_str(), 0), 0);
  PrefWriteString(u"SufText", u" pcs \t");
  PrefWriteString(u"PreText", u"\t No. ");
  EXPECT_EQ(ReadString(u"PreText"), u"No. ");  // also before the file is written
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("v.ini")), kMark + "SufText =  pcs \t\r\nPreText = \t No. \r\n");
  ASSERT_NE(PrefOpen(Name("v.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadString(u"SufText"), u"pcs \t");
  EXPECT_EQ(ReadString(u"PreText"), u"No. ");
}

TEST_F(PrefTest, IntegersAreReadLikeTheCScanOfADecimalNumber) {
  WriteBytes(Path("i.ini"),
             "digits = 42abc\r\nletters = abc\r\nnegative = -17\r\nplus = +5\r\nempty =\r\n"
             "lowest = -9223372036854775808\r\nhuge = 99999999999999999999\r\ntiny = -99999999999999999999\r\n"
             "sign = -x\r\n");
  ASSERT_NE(PrefOpen(Name("i.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefReadInt(u"digits", 9), 42);
  EXPECT_EQ(PrefReadInt(u"letters", 9), 0);
  EXPECT_EQ(PrefReadInt(u"missing", 9), 9);
  EXPECT_EQ(PrefReadInt(u"negative", 9), -17);
  EXPECT_EQ(PrefReadInt(u"plus", 9), 5);
  EXPECT_EQ(PrefReadInt(u"empty", 9), 0);
  EXPECT_EQ(PrefReadInt(u"lowest", 9), INT64_MIN);
  EXPECT_EQ(PrefReadInt(u"huge", 9), INT64_MAX);
  EXPECT_EQ(PrefReadInt(u"tiny", 9), INT64_MIN);
  EXPECT_EQ(PrefReadInt(u"sign", 9), 0);
}

TEST_F(PrefTest, IntegersRoundTripAtTheirLimits) {
  ASSERT_NE(PrefCreate(Name("l.ini").c_str(), 0), 0);
  PrefWriteInt(u"min", INT64_MIN);
  PrefWriteInt(u"max", INT64_MAX);
  PrefWriteInt(u"zero", 0);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("l.ini")), kMark + "min = -9223372036854775808\r\nmax = 9223372036854775807\r\nzero = 0\r\n");
  ASSERT_NE(PrefOpen(Name("l.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefReadInt(u"min", 1), INT64_MIN);
  EXPECT_EQ(PrefReadInt(u"max", 1), INT64_MAX);
}

TEST_F(PrefTest, AKeyWrittenToAFileThatStartsWithAGroupGoesBeforeTheGroup) {
  WriteBytes(Path("g.ini"), "[Group]\r\nK = old\r\n");
  ASSERT_NE(PrefOpen(Name("g.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadString(u"K", u"unset"), u"unset");  // keys inside groups are not reachable
  PrefWriteString(u"K", u"new");
  PrefWriteString(u"L", u"next");
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("g.ini")), kMark + "K = new\r\nL = next\r\n[Group]\r\nK = old\r\n");
}

TEST_F(PrefTest, AFileWithoutAMarkIsLatin1AndIsWrittenBackAsUtf8) {
  WriteBytes(Path("latin.ini"), "FontName = Caf\xE9 \xFF\r\n");
  ASSERT_NE(PrefOpen(Name("latin.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadString(u"FontName"), u"Caf\u00E9 \u00FF");
  PrefWriteInt(u"FontSize", 12);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("latin.ini")), kMark + "FontName = Caf\xC3\xA9 \xC3\xBF\r\nFontSize = 12\r\n");
}

TEST_F(PrefTest, CommentsAndGroupHeadersAreCarriedAlongAndBlankLinesVanish) {
  WriteBytes(Path("c.ini"),
             ";no space\r\n\r\n;  two spaces\r\nkey = 1\r\n\r\n[Grp] text after\r\n; inner\r\ninner = 2\r\n[Open\r\n");
  ASSERT_NE(PrefOpen(Name("c.ini").c_str(), 0), 0);
  PrefWriteInt(u"key", 3);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("c.ini")),
            kMark + "; no space\r\n;  two spaces\r\nkey = 3\r\n[Grp]\r\n; inner\r\ninner = 2\r\n[Open]\r\n");
}

TEST_F(PrefTest, AnEmptyExistingFileIsWrittenWithoutMarkOrEmptyLine) {
  WriteBytes(Path("e.ini"), "");
  ASSERT_NE(PrefOpen(Name("e.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 1);
  PrefWriteString(u"b", u"\u00E9");
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("e.ini")), "a = 1\r\nb = \xC3\xA9\r\n");
}

TEST_F(PrefTest, AFileHoldingOnlyTheMarkKeepsIt) {
  WriteBytes(Path("m.ini"), "\xEF\xBB\xBF");
  ASSERT_NE(PrefOpen(Name("m.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 1);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("m.ini")), kMark + "a = 1\r\n");
}

TEST_F(PrefTest, AMissingFileCollectsWritesAndIsCreatedByTheWriteOut) {
  EXPECT_EQ(PrefOpen(Name("missing.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefReadInt(u"FontSize", 80), 80);
  PrefWriteInt(u"FontSize", 72);
  EXPECT_EQ(PrefReadInt(u"FontSize", 80), 72);
  EXPECT_FALSE(Exists(Path("missing.ini")));
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("missing.ini")), kMark + "FontSize = 72\r\n");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"missing.ini"});
}

TEST_F(PrefTest, OptionsWriteTheEqualsSignBareAndSeparateGroups) {
  WriteBytes(Path("o.ini"), "[A]\r\na = 1\r\n[B]\r\nb = 2\r\n[C]\r\n");
  ASSERT_NE(PrefOpen(Name("o.ini").c_str(), CV_Pref_NoSpaces | CV_Pref_GroupSeparator), 0);
  PrefWriteInt(u"top", 0);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("o.ini")), kMark + "top=0\r\n[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n\r\n[C]\r\n");
}

TEST_F(PrefTest, FlushWritesOnlyWhatChangedAndTheFileStaysCurrent) {
  ASSERT_NE(PrefCreate(Name("f.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 1);
  EXPECT_EQ(PrefFlush(), 1);
  EXPECT_EQ(ReadBytes(Path("f.ini")), kMark + "a = 1\r\n");
  EXPECT_EQ(PrefFlush(), 0);
  PrefWriteInt(u"b", 2);
  EXPECT_EQ(PrefReadInt(u"a", 0), 1);
  EXPECT_EQ(PrefFlush(), 1);
  EXPECT_EQ(ReadBytes(Path("f.ini")), kMark + "a = 1\r\nb = 2\r\n");
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("f.ini")), kMark + "a = 1\r\nb = 2\r\n");
}

TEST_F(PrefTest, OpeningAnotherFileWritesOutAndForgetsTheFirst) {
  ASSERT_NE(PrefCreate(Name("one.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 1);
  WriteBytes(Path("two.ini"), "b = 2\r\n");
  ASSERT_NE(PrefOpen(Name("two.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadBytes(Path("one.ini")), kMark + "a = 1\r\n");
  EXPECT_EQ(PrefReadInt(u"a", -1), -1);
  EXPECT_EQ(PrefReadInt(u"b", -1), 2);
}

TEST_F(PrefTest, WithoutAFileReadsGiveTheirDefaultsAndWritesGoNowhere) {
  EXPECT_EQ(ReadString(u"FontName", u"Arial"), u"Arial");
  PrefWriteInt(u"a", 1);
  EXPECT_EQ(PrefReadInt(u"a", 5), 5);
  EXPECT_EQ(PrefFlush(), 0);
  // A file that cannot be created leaves the library without a file in the same way.
  EXPECT_EQ(PrefCreate(Name("no-such-dir/x.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 1);
  EXPECT_EQ(PrefReadInt(u"a", 5), 5);
  PrefClose();
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{});
}

TEST_F(PrefTest, ReadStringTakesADefaultFromTheStackEvenWhenTheStackGrows) {
  ASSERT_NE(PrefCreate(Name("t.ini").c_str(), 0), 0);
  std::u16string big(20000, u'x');
  big[0] = u'<';
  big.back() = u'>';
  StrExpr expression;
  expression.Append(big.c_str());
  const char16_t* onStack = expression.Pass();
  int64_t sizeBefore = StrTempSize();
  // The copy of the default needs as much room again: the stack grows and moves under it.
  StrExpr fallback;
  fallback.Call(PrefReadString, u"Missing", onStack);
  EXPECT_GT(StrTempSize(), sizeBefore);
  EXPECT_EQ(Text(fallback.Text()), big);

  PrefWriteString(u"Key", big.c_str());
  StrExpr found;
  found.Call(PrefReadString, u"key", u"default");
  EXPECT_EQ(Text(found.Text()), big);
}

TEST_F(PrefTest, ASettingsFileFromAnotherProgramReadsAsWrittenAndSurvivesARewrite) {
  // Tabs, CR LF, bare LF, bare CR and LF CR line ends, comments, blank lines and groups, as a
  // hand-edited file has them.
  const std::string foreign =
      "\xEF\xBB\xBF; Stampwork settings, edited by hand\r\n"
      "\r\n"
      "xText\t=\t120\n"
      "yText=80\r"
      "\tFontName =  Liberation Serif  \n\r"
      "PreText\t= No.\t\r\n"
      "RangeStop = 0x20\r\n"
      ";last run\n"
      "[Window]\r\n"
      "x = 10\r\n"
      "FontSize = 9\r\n"
      "\r\n"
      "[Recent files]  ; not a comment\n"
      "file1 = C:\\pics\\card.png\n";
  WriteBytes(Path("Stampwork.ini"), foreign);
  ASSERT_NE(PrefOpen(Name("Stampwork.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefReadInt(u"xText", 0), 120);
  EXPECT_EQ(PrefReadInt(u"yText", 0), 80);
  EXPECT_EQ(ReadString(u"FontName"), u"Liberation Serif  ");
  EXPECT_EQ(ReadString(u"PreText"), u"No.\t");
  EXPECT_EQ(PrefReadInt(u"RangeStop", 50), 0);
  EXPECT_EQ(PrefReadInt(u"FontSize", 80), 80);  // only in a group
  EXPECT_EQ(PrefReadInt(u"x", -1), -1);
  PrefWriteInt(u"FontSize", 72);
  PrefClose();
  const std::string rewritten = kMark +
                                "; Stampwork settings, edited by hand\r\n"
                                "xText = 120\r\n"
                                "yText = 80\r\n"
                                "FontName = Liberation Serif  \r\n"
                                "PreText = No.\t\r\n"
                                "RangeStop = 0x20\r\n"
                                "; last run\r\n"
                                "FontSize = 72\r\n"
                                "[Window]\r\n"
                                "x = 10\r\n"
                                "FontSize = 9\r\n"
                                "[Recent files]\r\n"
                                "file1 = C:\\pics\\card.png\r\n";
  EXPECT_EQ(ReadBytes(Path("Stampwork.ini")), rewritten);
  // Read again, it gives the same values, and a second rewrite changes nothing.
  ASSERT_NE(PrefOpen(Name("Stampwork.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadString(u"FontName"), u"Liberation Serif  ");
  EXPECT_EQ(PrefReadInt(u"FontSize", 0), 72);
  PrefWriteInt(u"FontSize", 72);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("Stampwork.ini")), rewritten);
}

TEST_F(PrefTest, ALineBreakInAValueIsWrittenAsASpaceAndCannotBecomeAKeyOfItsOwn) {
  ASSERT_NE(PrefCreate(Name("b.ini").c_str(), 0), 0);
  PrefWriteString(u"PreText", u"a\r\nFontSize = 1\rb\nc\n\r");
  PrefWriteInt(u"FontSize", 80);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("b.ini")), kMark + "PreText = a FontSize = 1 b c  \r\nFontSize = 80\r\n");
  ASSERT_NE(PrefOpen(Name("b.ini").c_str(), 0), 0);
  EXPECT_EQ(ReadString(u"PreText"), u"a FontSize = 1 b c  ");
  EXPECT_EQ(PrefReadInt(u"FontSize", 0), 80);
}

TEST_F(PrefTest, KeysThatWouldNotReadBackAsThemselvesAreNotWritten) {
  WriteBytes(Path("a.ini"), "a = 1\r\n");
  ASSERT_NE(PrefOpen(Name("a.ini").c_str(), 0), 0);
  for (const char16_t* key : {u"a=b", u"[Group", u";note", u" a", u"a\t", u"x\r\na", u"x\ny"}) {
    PrefWriteInt(key, 2);
  }
  EXPECT_EQ(PrefFlush(), 0);  // nothing was written
  PrefWriteInt(u"", 3);       // an empty key reads back as itself
  PrefWriteInt(u"Label [1]; x", 4);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("a.ini")), kMark + "a = 1\r\n = 3\r\nLabel [1]; x = 4\r\n");
  ASSERT_NE(PrefOpen(Name("a.ini").c_str(), 0), 0);
  EXPECT_EQ(PrefReadInt(u"", 0), 3);
  EXPECT_EQ(PrefReadInt(u"label [1]; X", 0), 4);
  EXPECT_EQ(PrefReadInt(u"a", 0), 1);
}

}  // namespace
