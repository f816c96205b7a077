// The program's icon from the resource packaging/icons adds to varnel_gui.
#include "gui/program_icon.h"

#include <QString>

namespace varnel {

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : kProgramIconSizes) {
    icon.addFile(QStringLiteral(":/icons/varnel-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace varnel
