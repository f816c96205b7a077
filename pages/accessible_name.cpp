// Object and accessible names of controls.
#include "pages/accessible_name.h"

#include <QWidget>

namespace varnel {

void NameControl(QWidget* control, const char* objectName, const QString& caption) {
  QString name = caption;
  name.remove(QLatin1Char('&'));
  name = name.trimmed();
  if (name.endsWith(QLatin1Char(':'))) name.chop(1);
  control->setObjectName(QString::fromLatin1(objectName));
  control->setAccessibleName(name);
}

}  // namespace varnel
