// The harness itself: programs started in the background end and report as they should, and the
// screenshot reader refuses what it cannot read.
#include <signal.h>

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "xvfb_session.h"

namespace {

using namespace std::chrono_literals;

TEST(ChildProcess, ReportsItsExitAndOutputAndIsEndedWhenDropped) {
  TempFolder folder;
  {
    ChildProcess child({"sh", "-c", "pwd; echo oops >&2; exit 4"}, folder.path());
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(10s), 4);
    EXPECT_EQ(child.Output(), folder.path() + "\noops\n");
  }
  int pid = 0;
  {
    ChildProcess sleeper({"sleep", "30"});
    EXPECT_EQ(sleeper.Wait(100ms), -1);
    pid = sleeper.Pid();
  }
  EXPECT_NE(::kill(pid, 0), 0) << "still running after its end";
  EXPECT_FALSE(ChildProcess({"no-such-program-here"}).Started());
}

TEST(Xwd, DumpsThatAreNoTrueColourPixmapsAreRefused) {
  Screenshot shot;
  std::string error;
  EXPECT_FALSE(ParseXwd("", &shot, &error));
  std::string header(100, '\0');
  header[3] = 100;  // header size
  header[7] = 7;    // version
  header[11] = 2;   // ZPixmap
  header[19] = 4;   // 4 x 4 pixels
  header[23] = 4;
  header[47] = 32;  // bits per pixel
  header[51] = 16;  // bytes per line
  header[55] = 4;   // TrueColor
  EXPECT_FALSE(ParseXwd(header, &shot, &error)) << "pixels missing";
  EXPECT_TRUE(ParseXwd(header + std::string(64, '\0'), &shot, &error)) << error;
  header[47] = 8;
  EXPECT_FALSE(ParseXwd(header + std::string(64, '\0'), &shot, &error)) << "8-bit pixels";
}

}  // namespace
