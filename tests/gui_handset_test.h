// GuiHandsetTest: a window test with the simulated handset at COM1, for
// the tests that connect through the window: a loader package of our own
// and a settings file whose port map points COM1 at the handset, with the
// connect warnings hidden unless a test says otherwise.
#pragma once

#include <memory>
#include <string>

#include "sim/handset.h"
#include "sim/package_builder.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {

inline constexpr char kConnected[] = "Phone switched to serial mode!";
inline constexpr char kClosed[] = "Com port closed";
inline constexpr char kWarningsHidden[] = "[Warning]\nHide4=1\nHide6=1\n";

class GuiHandsetTest : public GuiTest {
 protected:
  // Starts the handset with `faults` and writes the settings file: the
  // port map, `warnings`, and `settings` (if any) in section "Settings".
  void StartHandset(const std::string& settings = {}, const std::string& warnings = kWarningsHidden,
                    const sim::FaultPlan& faults = {}) {
    const sim::PackageContents package = sim::MakeStandInPackage(600, {5000, 1200}, 7);
    ASSERT_EQ(sim::WritePackageFile((dir / "Varnel.res").string(), package), sim::PackageResult::kOk);
    sim::HandsetOptions options;
    options.flashImagePath = (dir / "flash.img").string();
    options.pacing = pacing;
    options.faults = faults;
    handset = std::make_unique<sim::Handset>(options);
    ASSERT_EQ(handset->Start(), sim::StartResult::kOk);
    settingsBefore =
        "[Ports]\nCOM1=" + handset->SlavePath() + "\n" + warnings + (settings.empty() ? "" : "[Settings]\n" + settings);
    WriteText(SettingsFile(), settingsBefore);
  }

  // Presses the main button and waits for the loader.
  void Connect() {
    MainButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return Logged(*window, kConnected); }));
    ASSERT_EQ(MainButton()->text(), "Disconnect");
  }

  // Waits until the worker has closed the port and logged it.
  void WaitForClose() {
    ASSERT_TRUE(WaitUntil([&] { return Logged(*window, kClosed); }));
    EXPECT_EQ(MainButton()->text(), "Switch to SERIAL");
  }

  std::unique_ptr<sim::Handset> handset;
  sim::Pacing pacing = sim::Pacing::kOff;  // line rate, for StartHandset
  std::string settingsBefore;              // the settings file StartHandset wrote
};

}  // namespace varnel::testing
