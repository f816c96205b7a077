// Start-up: choose the code page and text module and where the program's
// files are found; run the main window modally, and end when it closes.
#include <QApplication>

#include "gui/main_window.h"
#include "texts/application.h"
#include "texts/code_page.h"
#include "texts/user_dirs.h"

int main(int argc, char** argv) {
  QApplication qtApplication(argc, argv);
  // The settings file and the loader package are looked for in the working
  // directory, then in the user's configuration directory.
  varnel::Application application(varnel::ExecutableBaseName(argv[0]),
                                  varnel::SystemCodePage(),
                                  varnel::LanguageModuleDirs(argv[0]),
                                  varnel::UserConfigDir());
  varnel::MainWindow window(application);
  window.exec();
  return 0;
}
