// A WM_QUIT posted by anyone counts as a termination request.
#include "Application.h"

#include <gtest/gtest.h>

namespace {

TEST(ApplicationQuit, QuitMessageEndsTheMainLoopAndSetsTheRequest) {
  toolkit::Application& app = toolkit::Application::Instance();
  PostQuitMessage(0);
  app.Run();
  EXPECT_TRUE(app.Terminated());
}

}  // namespace
