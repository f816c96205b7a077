// DumpPage: the "Dumper" tab's page: the file a dump is written to, kept
// in section "Dumper" of the settings file. GUI thread.
#pragma once

#include "app/settings.h"
#include "pages/file_page.h"

namespace varnel {

class DumpPage : public FilePage {
  Q_OBJECT

 public:
  explicit DumpPage(const Application& application, QWidget* parent = nullptr)
      : FilePage(application, kDumperSection, text::kStartDump, parent) {}
};

}  // namespace varnel
