// The GUI thread's wake-up: wakes from any thread reach the event loop, run the handler
// on the GUI thread, and leave the pipe empty, so the loop does not spin on it.
#include "platform/qt/wake_pipe.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <thread>

namespace tavrinole::qt {
namespace {

// Serves the event loop until `done` holds or `ms` milliseconds have passed.
template <class Done>
bool ServeUntil(int ms, Done done) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

TEST(WakePipe, WakesFromAnotherThreadRunTheHandlerOnTheGuiThreadUntilTheyAreServed) {
  int wakes = 0;
  QThread* handledOn = nullptr;
  WakePipe pipe([&] {
    ++wakes;
    handledOn = QThread::currentThread();
  });
  ASSERT_TRUE(pipe.Ready());

  // More wakes than the pipe holds: the writes that do not fit are lost, not blocked on.
  std::thread waker([&] {
    for (int i = 0; i < 100000; ++i) pipe.Wake();
  });
  waker.join();
  ASSERT_TRUE(ServeUntil(5000, [&] { return wakes > 0; }));
  EXPECT_EQ(handledOn, QCoreApplication::instance()->thread());

  // Served: the pipe is empty, and the loop stays quiet until the next wake.
  const int served = wakes;
  EXPECT_FALSE(ServeUntil(300, [&] { return wakes > served; }));
  pipe.Wake();
  EXPECT_TRUE(ServeUntil(5000, [&] { return wakes > served; }));
}

}  // namespace
}  // namespace tavrinole::qt
