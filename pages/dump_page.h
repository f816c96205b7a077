// DumpPage: the "Dumper" tab's page: the file a dump is written to (chosen
// with a save dialog), kept in section "Dumper" of the settings file, and
// the "Dump!!!" button. GUI thread.
#pragma once

#include "pages/file_page.h"
#include "settings/settings.h"

namespace varnel {

class DumpPage : public FilePage {
  Q_OBJECT

 public:
  explicit DumpPage(const Application& application, QWidget* parent = nullptr)
      : FilePage(application, kDumperSection, text::kStartDump, FileDialogKind::Save, parent) {}
};

}  // namespace varnel
