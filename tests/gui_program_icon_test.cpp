// The window's icon: every size the package installs is carried in the
// program and loads as a picture of that size.
#include <QIcon>
#include <QPixmap>

#include "gui/program_icon.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

TEST(ProgramIconTest, EverySizeIsCarriedAndLoads) {
  const QIcon icon = ProgramIcon();
  ASSERT_FALSE(icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  EXPECT_EQ(sizes.size(), static_cast<qsizetype>(std::size(kProgramIconSizes)));
  for (int size : kProgramIconSizes) {
    SCOPED_TRACE(size);
    const QPixmap picture(QStringLiteral(":/icons/varnel-%1.png").arg(size));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(size, size));
  }
}

}  // namespace
}  // namespace varnel::testing
