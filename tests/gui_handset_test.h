// GuiHandsetTest: a window test with the simulated handset at COM1, for
// the tests that connect through the window: a loader package of our own
// and a settings file whose port map points COM1 at the handset, with the
// connect warnings hidden.
#pragma once

#include <memory>
#include <string>

#include "sim/handset.h"
#include "sim/package_builder.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {

class GuiHandsetTest : public GuiTest {
 protected:
  // Starts the handset and writes the settings file, with `settings`
  // added to section "Settings".
  void StartHandset(const std::string& settings = {}) {
    const sim::PackageContents package = sim::MakeStandInPackage(600, {5000, 1200}, 7);
    ASSERT_EQ(sim::WritePackageFile((dir / "Varnel.res").string(), package), sim::PackageResult::kOk);
    sim::HandsetOptions options;
    options.flashImagePath = (dir / "flash.img").string();
    options.pacing = pacing;
    handset = std::make_unique<sim::Handset>(options);
    ASSERT_EQ(handset->Start(), sim::StartResult::kOk);
    WriteText(SettingsFile(), "[Ports]\nCOM1=" + handset->SlavePath() +
                                  "\n[Warning]\nHide4=1\nHide6=1\n[Settings]\n" + settings);
  }

  std::unique_ptr<sim::Handset> handset;
  sim::Pacing pacing = sim::Pacing::kOff;  // line rate, for StartHandset
};

}  // namespace varnel::testing
