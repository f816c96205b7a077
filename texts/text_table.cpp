// The program's own English string table.
#include "texts/string_table.h"

#include <array>

namespace varnel {
namespace {

struct TextEntry {
  uint16_t id;
  const char* text;
};

// A blank line and the welcome paragraph; line breaks are bare line feeds.
#define VARNEL_WELCOME_PARAGRAPH                                         \
  "\n\n"                                                                 \
  "Before flashing, turn off your mobile phone completely and connect i" \
  "t to the PC using data cable for programming. If you are flashing EE" \
  "PROM fully, it's better to switch off all locks (especially SIM-lock" \
  ") just in case."                                                      \
  ""

// The welcome line, followed four times by the paragraph.
constexpr char kWelcomeText[] = "Welcome to \"Varnel\"!" VARNEL_WELCOME_PARAGRAPH VARNEL_WELCOME_PARAGRAPH
    VARNEL_WELCOME_PARAGRAPH VARNEL_WELCOME_PARAGRAPH;

#undef VARNEL_WELCOME_PARAGRAPH

constexpr std::array<TextEntry, 148> kTexts = {{
    {1, "Varnel :: Options"},
    {2, "Varnel :: About"},
    {3, "Varnel"},
    {4,
     "1. Switch OFF your phone!\r\n2. Connect phone to flash cabel\r\n3. If it's not start automaticaly, press ON "
     "button and HOLD it until MessageBox appear!"},
    {6, "Phone switched to SERIAL mode, now you can flash or dump your data!"},
    {8, "Hide"},
    {9, "Read"},
    {10, "Write"},
    {11, "Switch to SERIAL"},
    {14, "Speed:"},
    {15, "COM port:"},
    {17, "Flasher"},
    {18, "Patcher DB"},
    {19, "Instruction"},
    {20, kWelcomeText},
    {22, "Disconnect"},
    {23, "Dumper"},
    {24, "Close"},
    {26, "Select bin:"},
    {27, "Offset:"},
    {28, "Size:"},
    {29, "System BIN (8 Mb)"},
    {30, "Image BIN (5 Mb)"},
    {31, "Data BIN (3 Mb)"},
    {33, "Using %s, speed %d, block %d bytes"},
    {34, "Com port opened"},
    {35, "Port speed %d"},
    {36, "Thread started"},
    {37, "Thread exit normally"},
    {38, "Com port closed"},
    {39, "Download Initiated"},
    {40, "Sending..."},
    {41, "Phone switched to serial mode!"},
    {42, "Please switch to SERIAL first!"},
    {43, "Varnel"},
    {44, "Dump!!!"},
    {45, "File name:"},
    {46, "Offset = 0x%x, size = 0x%x"},
    {47, "Flash!!!"},
    {48, "Time elapsed %s"},
    {49, "Transmitting started"},
    {50, "Transmitting..."},
    {51, "Transmitting finished!"},
    {53, "Receive started"},
    {54, "Receiving..."},
    {55, "Receive finished!"},
    {56, "Flash started"},
    {57, "Flashing..."},
    {58, "Flash finished!"},
    {59, "Block:"},
    {60, "Name"},
    {61, "Author"},
    {62, "Version"},
    {63, "Offset \"%s\" is not a hexadecimal number"},
    {64, "Size \"%s\" is not a hexadecimal number"},
    {65, "Type the offset and the size as 0x followed by 1 to 8 hexadecimal digits (0-9, a-f), for example 0x2500000."},
    {66, "The port can't run at %d bit/s; the line stays at %d"},
    {67, "not present"},
    {68,
     "%u bytes came from the port but not the handset's boot offer: check that this is the handset's port "
     "at 38400 bit/s, and that the handset was switched off before the cable was plugged in"},
    {69, "%.1f KiB/s"},
    {70, "%s, %s left"},
    {71, "Average rate %s"},
    {72, "Verifying..."},
    {73, "Verify OK"},
    {74, "Verify failed: first difference at 0x%x, %u bytes differ"},
    {75, "Verify failed: the region could not be read back"},
    {76, "Verify failed: can't read %s"},
    {77, "Verify"},
    {78, "Save log..."},
    {79, "Can't save the log to %s"},
    {80, "No line trace: can't write %s"},
    {81, "Line trace: %s"},
    {82, "No line trace: TraceFile=%s ignored; a Varnel.ini in the working folder may name only a file in that folder"},
    {83, "Port map entry %s=%s ignored: no serial device there"},
    {84, "No line trace: %s is a file the program reads or writes"},
    {85, "Verify failed: %s changed after the flash"},
    {86, "The settings could not be written to %s"},
    {87, "%s is the line trace's file: choose another file for the dump or flash"},
    {88, "A block size of %u bytes can't be used; %u is used instead"},
    {89, "Dump stopped: %u bytes saved"},
    {90, "Finishing the flash: about %s left. Stop again to abort it, which leaves the flash part-written."},
    {91, "Flash aborted at 0x%x: the flash is part-written"},
    {92, "A flash is under way."},
    {93, "Finish it"},
    {94, "Abort it"},
    {95, "%s is not a regular file: ignored, the defaults are used"},
    {96, "%s is larger than %s bytes: ignored, the defaults are used"},
    {97, "%s can't be read: ignored, the defaults are used"},
    {98, "Read-only file"},
    {99, "%s\nThis file is read-only or in a folder that can't be written to.\nPlease choose another file."},
    {100, "No answer from the handset within %d s"},
    {101, "The file name is too long"},
    {102, "Can't open the loader package %s"},
    {103, "%s (looked for in the working directory and in %s)"},
    {104, "Interrupted"},
    {105, "Block %u: %u bytes beyond the size asked for were not written"},
    {106, "The user must be in the device's group, e.g. dialout."},
    {107,
     "Only root may open it; a udev rule can give the device a group such as dialout (GROUP=\"dialout\", "
     "MODE=\"0660\")."},
    {108, "Its mode %s gives the group no read and write access: the mode must allow it (a udev rule: MODE=\"0660\")."},
    {109, "The device belongs to group %s, which this user is in already."},
    {110, "Something else refuses it (an access control list or a security module)."},
    {111,
     "The device belongs to group %s: join it with `sudo usermod -aG %s $USER`, then log out and in again (a new group "
     "counts from a new login)."},
    {112, "Another program holds it; `sudo fuser -v %s` names it."},
    {113, "It is held by %s."},
    {114, "a process"},
    {115, "Close that program and try again."},
    {116, "Close those programs and try again."},
    {117,
     "ModemManager opens serial devices to look for modems. To make it leave the cable alone, put the line %s into "
     "%s%s, run `sudo udevadm control --reload-rules` and plug the cable in again."},
    {118, " with the adapter's vendor and product ids in place of %s and %s (lsusb shows them)"},
    {119, "Check the cable."},
    {120,
     "Check the cable, or use one of them as the port (section [Ports] of Varnel.ini maps COMn to a device, e.g. "
     "COM1=/dev/ttyUSB0)."},
    {121, "It is not a serial device."},
    {122, "No serial device is present."},
    {123, "Serial devices present: %s."},
    {124, "Check the cable, or use one of them as the port."},
    {125, "Another program holds the port: close it and try again."},
    {126, "not a serial device (not a character device)"},
    {127, "not a serial device (a device of class %s)"},
    {128, "no serial device found"},
    {129, "%s holds the whole region already: nothing to dump"},
    {130, "Resuming the dump: %s holds %u of %u bytes; the rest follows from 0x%x"},
    {131, "%s can't be resumed: it is longer than the region, or not known to be a part of it"},
    {132, "Backup: %s (0x%x, 0x%x bytes) into %s"},
    {133, "Backup complete: %s"},
    {134, "The backup in %s is not complete: run it again to go on where it stopped"},
    {135, "%s holds a complete backup already: it is not overwritten"},
    {136, "%s is not a part of a backup of the handset's banks: move it away, or start anew"},
    {137, "All parts: time elapsed %s, average rate %s"},
    {138, "%s holds no backup (no backup.txt that reads)"},
    {139, "%s has changed since the backup (its SHA-256 differs)"},
    {140, "%s is missing"},
    {141, "%s is not complete"},
    {142, "%s: intact"},
    {143, "Nothing was restored: the backup is not complete and intact"},
    {144, "Restore: %s from %s to 0x%x"},
    {145, "%s: restored and verified"},
    {146, "%s: not restored"},
    {147, "The backup in %s is complete and intact"},
    {148, "The backup in %s is not complete and intact"},
    {149, "Back up the handset..."},
    {150, "Restore a backup..."},
    {151,
     "Restoring overwrites the handset's whole flash, bank 1 (0x1000000, 8 MiB) and bank 2 (0x2000000, 8 MiB), with "
     "the backup in %s."},
    {152, "Restore"},
    {153, "Cancel"},
    {154, "%s holds %u of %u bytes of this region, from a dump that stopped. Go on from where it stopped?"},
    {155, "Go on"},
    {156, "Start anew"},
    {157, "--force starts it anew"},
}};

}  // namespace

StringTable ProgramTexts() {
  StringTable table;
  for (const TextEntry& entry : kTexts) table.Set(entry.id, entry.text);
  return table;
}

}  // namespace varnel
