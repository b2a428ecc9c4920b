#include "single_instance.h"

#include <gtest/gtest.h>

#include <memory>

#include "server_test_support.h"
#include "tarnbel_protocol.h"

TEST(SingleInstance, SecondStartIsRefusedWhileTheFirstLivesByMutexAndByWindow) {
  {
    TSingleInstance first;
    ASSERT_TRUE(first.First());
    // No window yet (the race the title check alone loses): the mutex refuses the second.
    TSingleInstance second;
    EXPECT_FALSE(second.First());
  }
  {
    TSingleInstance again;
    EXPECT_TRUE(again.First()) << "the first one's end frees the mutex";
  }
  // A running server's window alone also refuses a start.
  servertest::TTestWindow server(SERVER_WINDOW_TITLE);
  TSingleInstance third;
  EXPECT_FALSE(third.First());
}
