// Start-up: choose the code page and text module, run the main window
// modally, and end when it closes.
#include <QApplication>

#include "gui/main_window.h"
#include "texts/application.h"
#include "texts/code_page.h"

int main(int argc, char** argv) {
  QApplication qtApplication(argc, argv);
  // The language module is looked for beside the program first, then in
  // the working directory.
  varnel::Application application(varnel::ExecutableBaseName(argv[0]),
                                  varnel::SystemCodePage(),
                                  {varnel::ExecutableDir(argv[0]), "."});
  varnel::MainWindow window(application);
  window.exec();
  return 0;
}
