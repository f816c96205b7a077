// Start-up: the program's icon, the code page and text module, where its
// files are found; run the main window modally, and end when it closes.
#include <QApplication>

#include "gui/main_window.h"
#include "gui/program_icon.h"
#include "gui/quit_signals.h"
#include "texts/application.h"
#include "texts/code_page.h"
#include "texts/user_dirs.h"

int main(int argc, char** argv) {
  QApplication qtApplication(argc, argv);
  QApplication::setWindowIcon(varnel::ProgramIcon());
  // Lets a desktop match the window to the menu's entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("varnel"));
  // The settings file and the loader package are looked for in the working
  // directory, then in the user's configuration directory.
  varnel::Application application(varnel::ExecutableBaseName(argv[0]), varnel::SystemCodePage(),
                                  varnel::LanguageModuleDirs(argv[0]), varnel::UserConfigDir());
  varnel::MainWindow window(application);
  // Ended from outside (the terminal closed, the session ending, kill):
  // the window ends the link and closes as if the user had closed it.
  varnel::QuitSignals quitSignals;
  QObject::connect(&quitSignals, &varnel::QuitSignals::QuitRequested, &window, &varnel::MainWindow::Quit);
  window.exec();
  return 0;
}
