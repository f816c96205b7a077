// The program's icon, the same drawing the desktop menu shows
// (packaging/icons), carried in the executable as a Qt resource in every
// size drawn. GUI thread.
#pragma once

#include <QIcon>

namespace varnel {

// Each size of the icon, in pixels; the resource holds varnel-<size>.png.
inline constexpr int kProgramIconSizes[] = {16, 32, 48, 64, 128, 256};

// The icon with every size of kProgramIconSizes; needs a QGuiApplication.
QIcon ProgramIcon();

}  // namespace varnel
