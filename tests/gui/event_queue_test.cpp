// The event queue: merging, suppression, purging, the current event, data release, bound
// callbacks and their order, and posting from another thread through the hidden window.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "gui_fixture.h"

namespace {

class EventQueueTest : public GuiTest {};

std::vector<std::string> g_calls;

TEST_F(EventQueueTest, IdenticalEventsInARowMergeDifferentOnesStay) {
  EventPost(EC_SIZE_WINDOW, 0, 0, 0);
  EventPost(EC_SIZE_WINDOW, 0, 0, 0);
  EventPost(EC_GADGET, 1, 0, 0);
  EventPost(EC_GADGET, 2, 0, 0);
  EventPost(EC_GADGET, 2, 0, 0);
  EventPost(70000, 1, 1, 1);  // codes above 65535 never merge
  EventPost(70000, 1, 1, 1);
  EXPECT_EQ(EventQueueLength(), 5);
  EXPECT_EQ(EventNext(), EC_SIZE_WINDOW);
  EXPECT_EQ(EventNext(), EC_GADGET);
  EXPECT_EQ(EventSourceGadget(), 1);
  EXPECT_EQ(EventNext(), EC_GADGET);
  EXPECT_EQ(EventSourceGadget(), 2);
}

TEST_F(EventQueueTest, SuppressedChangesPostNothingUnlessForced) {
  EventSuppressChanges();
  EventPost(EC_GADGET, 1, 0, ET_CHANGE);
  EventPost(EC_GADGET, 2, 0, ET_CHANGE, nullptr, nullptr, true);
  EventAllowChanges();
  EventPost(EC_GADGET, 3, 0, ET_CHANGE);
  EXPECT_EQ(EventNext(), EC_GADGET);
  EXPECT_EQ(EventSourceGadget(), 2);
  EXPECT_EQ(EventNext(), EC_GADGET);
  EXPECT_EQ(EventSourceGadget(), 3);
  EXPECT_EQ(EventNext(), 0);
  EXPECT_EQ(EventGetType(), -1);
}

TEST_F(EventQueueTest, PurgeMatchesWithWildcards) {
  EventPost(EC_GADGET, 1, 0, 0);
  EventPost(EC_SIZE_WINDOW, 0, 0, 0);
  EventPost(EC_GADGET, 1, 1, 0);
  EventPost(EC_GADGET, 2, 1, 5);
  EventPurge(EC_GADGET, -1, 1, -1);
  EXPECT_EQ(EventQueueLength(), 2);
  EventPurge(-1, -1, -1, -1);
  EXPECT_EQ(EventQueueLength(), 0);
  EventPost(EC_GADGET, 9, 0, 0);  // the tail was reset with the queue
  EXPECT_EQ(EventNext(), EC_GADGET);
  EXPECT_EQ(EventSourceGadget(), 9);
}

int g_freed = 0;
void CountFree(void* data) {
  ++g_freed;
  delete static_cast<int*>(data);
}

TEST_F(EventQueueTest, DataIsReleasedWhenTheNextEventIsTakenOrWhenMerged) {
  g_freed = 0;
  EventPost(EC_GADGET, 1, 0, 0, new int(1), CountFree);
  EventPost(EC_GADGET, 1, 0, 0, new int(2), CountFree);  // merged: its own data goes at once
  EXPECT_EQ(g_freed, 1);
  EXPECT_EQ(EventNext(), EC_GADGET);
  EXPECT_EQ(*static_cast<int*>(EventGetData()), 1);
  EXPECT_EQ(g_freed, 1);
  EventNext();
  EXPECT_EQ(g_freed, 2);
  EventPost(EC_GADGET, 3, 0, 0, new int(3), CountFree);
  EventPurge(EC_GADGET, 3, -1, -1);
  EXPECT_EQ(g_freed, 3);
}

TEST_F(EventQueueTest, CallbacksRunAtPostInKeyOrderNewestFirst) {
  g_calls.clear();
  EventBind(EC_GADGET, [] { g_calls.push_back("any"); });
  EventBind(EC_GADGET, [] { g_calls.push_back("window"); }, 0);
  EventBind(EC_GADGET, [] { g_calls.push_back("window+object"); }, 0, 5);
  EventBind(EC_GADGET, [] { g_calls.push_back("exact"); }, 0, 5, 768);
  EventBind(EC_GADGET, [] { g_calls.push_back("object+type"); }, -1, 5, 768);
  EventBind(EC_GADGET, [] { g_calls.push_back("exact-newer"); }, 0, 5, 768);
  EventBind(EC_GADGET, [] { g_calls.push_back("other-type"); }, 0, 5, 1);
  EventPost(EC_GADGET, 5, 0, 768);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"exact-newer", "exact", "window+object", "window", "any", "object+type"}));
}

int64_t g_seenObject = 0, g_seenType = 0, g_seenCode = 0;
TEST_F(EventQueueTest, InsideACallbackTheCurrentEventIsThePostedOne) {
  EventPost(EC_MENU, 77, 0, 0);
  EventNext();
  EventBind(EC_GADGET, [] {
    g_seenObject = EventSourceGadget();
    g_seenType = EventGetType();
  });
  EventPost(EC_GADGET, 12, 0, 34);
  EXPECT_EQ(g_seenObject, 12);
  EXPECT_EQ(g_seenType, 34);
  EXPECT_EQ(EventSourceGadget(), 77);  // restored afterwards
}

void Rebinder();
void Newcomer() { g_calls.push_back("newcomer"); }
void Rebinder() {
  g_calls.push_back("rebinder");
  EventUnbind(EC_GADGET, Rebinder);
  EventBind(EC_GADGET, Newcomer);
}

TEST_F(EventQueueTest, CallbacksMayBindAndUnbindWhileTheyRun) {
  g_calls.clear();
  EventBind(EC_GADGET, Rebinder);
  EventPost(EC_GADGET, 1, 0, 0);
  EventPost(EC_GADGET, 2, 0, 0);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"rebinder", "newcomer"}));
  EXPECT_EQ(EventUnbind(EC_GADGET, Rebinder), 0);
  EXPECT_EQ(EventUnbind(EC_GADGET, Newcomer), 1);
  EXPECT_EQ(EventUnbind(EC_GADGET, Newcomer), 0);
}

TEST_F(EventQueueTest, ABoundCallbackRunsBeforeTheLoopSeesTheEvent) {
  WindowOpen(0, 0, 0, 100, 100, u"");
  DrainEvents();
  g_seenCode = 0;
  EventBind(EC_CLOSE_WINDOW, [] { g_seenCode = EC_CLOSE_WINDOW; }, 0);
  platform::InputCloseRequest(reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0))));
  int64_t code = 0;
  int64_t seenWhenReturned = -1;
  for (int i = 0; i < 10 && code != EC_CLOSE_WINDOW; ++i) {
    code = WindowWaitEvent(0);
    if (code == EC_CLOSE_WINDOW) seenWhenReturned = g_seenCode;
  }
  EXPECT_EQ(seenWhenReturned, EC_CLOSE_WINDOW);
}

TEST_F(EventQueueTest, AnotherThreadPostsThroughTheHiddenWindowWithoutLossOrReordering) {
  constexpr int kEvents = 100000;
  // Both sides give up at the deadline, so that a lost event fails the test instead of hanging it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  auto late = [deadline] { return std::chrono::steady_clock::now() >= deadline; };
  std::thread poster([&late] {
    for (int i = 0; i < kEvents; ++i) {
      while (!EventPostThread(EC_GADGET, i, 0, 0)) {
        if (late()) return;
        std::this_thread::yield();
      }
    }
  });
  std::vector<int64_t> received;
  received.reserve(kEvents);
  while (static_cast<int>(received.size()) < kEvents && !late()) {
    int64_t code = WindowWaitEvent(100);
    if (code == EC_GADGET) received.push_back(EventSourceGadget());
  }
  poster.join();
  ASSERT_EQ(received.size(), static_cast<size_t>(kEvents));
  for (int i = 0; i < kEvents; ++i) ASSERT_EQ(received[i], i);
  EXPECT_EQ(WindowPollEvent(), 0);
}

TEST_F(EventQueueTest, PostingFromAnotherThreadIsSafeWhileTheQueueStopsAndStarts) {
  std::atomic<bool> stop{false};
  std::atomic<int64_t> accepted{0};
  std::thread poster([&] {
    while (!stop.load()) accepted += EventPostThread(EC_GADGET, 1, 0, 0);
  });
  for (int i = 0; i < 5000 && accepted.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  for (int round = 0; round < 20; ++round) {
    EventQueueShutdown();
    EXPECT_EQ(EventPostThread(EC_GADGET, 2, 0, 0), 0) << "a stopped queue takes nothing";
    EventQueueInit();
    // The poster keeps posting, so draining is bounded: it need only show the queue works again.
    for (int taken = 0; taken < 1000 && WindowPollEvent() != 0; ++taken) {
    }
  }
  stop = true;
  poster.join();
  EXPECT_GT(accepted.load(), 0);
}

}  // namespace
