// The desktop tests' fixture: the process's private X server (XvfbSession::Shared) with GTK
// opened on it. A test fails, never waits, when the server or GTK cannot start.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "xvfb_session.h"

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    XvfbSession& session = XvfbSession::Shared();
    ASSERT_TRUE(session.Running()) << session.Error();
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "GTK cannot open " << session.Display();
  }

  // Runs GTK's pending work, as the program's loop would between two events.
  static void Settle() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  }
};
