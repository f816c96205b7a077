// Why a serial device could not be opened, said in the user's terms with
// the fix where there is one: the grey reason line that follows "Can't open
// port". On POSIX (open_failure_posix.cpp) the system's reason and, for a
// permission refused, the device's group and how to join it; for a device
// held elsewhere, the process that holds it (and, for ModemManager, the
// udev rule that keeps it off the cable); for a missing device, the serial
// devices that do exist. On Windows (open_failure_win32.cpp) the system's
// message, and the COM ports that exist when the port does not. Qt-free,
// any thread; reads the system's trees at `roots`.
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>
#include <string>

#include "port/serial_devices.h"
#include "texts/application.h"

namespace varnel {

// The reason `device` (as given to the port: a path, a link or a COM name)
// could not be opened with the system error `systemError` (errno on POSIX,
// GetLastError() on Windows): "<device>: <the system's text>." then, where
// the error has one, the advice in `app`'s language. A narrow string (as
// file names are: UTF-8 text). Never empty.
std::string DescribeOpenFailure(const std::string& device, int systemError, const DeviceRoots& roots,
                                const Application& app);

// The serial devices that exist, for a device that does not, with their
// product where it is known: "Serial devices present: /dev/ttyUSB0
// (FT232R USB UART), /dev/ttyS0." or, with none, "No serial device is
// present.".
std::string PresentDevicesText(std::span<const SerialDevice> devices, const Application& app);

// Text `id` of `app` as UTF-8, its "%s" filled with `args` (UTF-8 or
// narrow names): for the reasons above.
std::string AdviceText(const Application& app, uint16_t id, std::initializer_list<std::string_view> args = {});

}  // namespace varnel
