// The main window starts and closes cleanly.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "app/code_page.h"
#include "app/main_window.h"

namespace varnel {
namespace {

TEST(MainWindowTest, StartsAndClosesWithTheCaption) {
  Application app("Varnel", kUtf8CodePage, {});
  MainWindow window(app);
  QTimer::singleShot(0, &window, &QDialog::close);
  window.exec();
  EXPECT_EQ(window.windowTitle(), QString("Varnel"));
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace varnel

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
