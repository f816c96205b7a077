// varnel-sim's --help text: every option and fault switch, what it does and
// the values it takes. Kept beside the parser (sim/command_line.cpp), which
// must accept exactly what this text promises.
#include "sim/command_line.h"

namespace varnel::sim {

const char* UsageText() {
  return R"(Usage: varnel-sim [OPTION]...
Simulates the handset on a pseudo-terminal: its boot ROM (0x81 offers,
AT dialogue, S-record upload of stage one) and the loader (command packets,
block transfers, dump and flash). Prints the serial device to open and
serves one connection after another until SIGINT or SIGTERM.

Line and handset:
  --link PATH            keep a symbolic link at PATH to the serial device,
                         updated when the device changes; removed at exit
  --flash FILE           flash image, 16 MiB: bank 1 (0x1000000) then bank 2
                         (0x2000000); created with the fill pattern when
                         missing. Default: an image in memory
  --pace                 bytes cross at line rate (speed / 10 bytes per s)
  --adapter-latency MS   model a USB serial adapter: bytes to the program
                         are held until 62 have gathered or MS ms have
                         passed (0 to 255; default 0, no adapter)
  --transcript FILE      append a readable transcript of every connection
  --power-off-on-close   a closed port puts a running loader back to the
                         boot ROM (default: it keeps running until 0x13)
  --answer-timeout MS    longest wait for the program inside a transfer
                         (default 3000)
  --offer-interval MS    time between two 0x81 offers (default 500)
  -h, --help             show this text

Faults (BLOCK counts from 1 in each transfer; TIMES is a number or
"always", default 1; numbers are decimal or 0x hex):
  --never-offer          the boot ROM never sends 0x81
  --junk-before-offer N  send N junk bytes before every 0x81
  --junk-before-ack N    send N junk bytes before every "." of the S-records
  --boot-response BYTE   answer every S-record upload with BYTE (non-zero)
  --corrupt-crc BLOCK[:BLOCKS[:SENDS]]
                         dump: send blocks BLOCK..BLOCK+BLOCKS-1 with a wrong
                         CRC, each for its first SENDS sends (default 1:1)
  --abort-dump-at BLOCK  dump: send 0x14 in place of block BLOCK, then
                         response 0x63
  --answer-block [upload:|flash:|any:]BLOCK:BYTE[:TIMES]
                         answer that received block with BYTE: 0x15, 0x16 or
                         0x17 (dropped, must come again) or 0x14 (abort,
                         then response 0x63)
  --silent-block [upload:|flash:|any:]BLOCK[:TIMES]
                         drop that received block without an answer
                         (BLOCK 0: any block)
  --silent-command CODE[:TIMES]
                         drop command packet CODE without executing or
                         answering it (CODE 0: any packet)
  --command-error CODE:BYTE[:TIMES]
                         refuse command CODE with the non-zero BYTE: in
                         place of the ready byte for 0x14 and 0x35; after
                         the program's 0x06 and a 0x14 for 0x34
  --hang-up-after upload|dump|flash:BLOCK
                         close the line after that block of the first such
                         transfer; the handset returns on a new device, at
                         the boot ROM
  --lost-ack BLOCK[:TIMES]
                         dump: take the program's 0x06 to BLOCK as lost and
                         send the same block again at once, identical (for
                         the last block, where the response would come)
  --noise-before-block BLOCK:COUNT
                         dump: COUNT noise bytes (never 0x02, 0x06, 0x14)
                         before the first send of BLOCK
  --endless-noise-at-block BLOCK
                         dump: noise without end in place of BLOCK, a byte a
                         millisecond, until the program sends 0x18 (then
                         response 0x63) or closes its port
  --stall-block BLOCK:AFTER:MS[:TIMES]
                         dump: send BLOCK's first AFTER bytes (from its
                         0x02), keep the line quiet MS ms, then the rest;
                         resends after 0x16/0x17 stall too while TIMES lasts
  --oversize-last-block EXTRA
                         dump: the last block carries EXTRA bytes more than
                         remain (the flash that follows the region, as much
                         as the bank holds), with a correct CRC
  --wrong-block-number BLOCK:NUMBER[:TIMES]
                         dump: BLOCK carries NUMBER in its header (data and
                         CRC correct) for its first TIMES sends
  --weak-flash-cell ADDRESS
                         flash: the byte flashed at ADDRESS is stored
                         inverted, every time; blocks are answered as usual
  --babble offer|ok|ack  boot ROM: babble without end instead of the 0x81
                         offers (junk bytes), of "OK" after "AT" ("RING"
                         lines) or of the "." after the first S-record
                         (junk bytes), whatever the program sends, until it
                         closes its port

Handset response bytes: boot ROM 0x41 bad record syntax or count, 0x42 bad
checksum, 0x43 wrong record type, 0x44 wrong address, 0x45 bad record
length, 0x46 no data record; loader 0x61 bad argument, 0x62 region outside
the banks, 0x63 transfer abandoned, 0x64 program went quiet, 0x65 flash
block crosses a sector boundary, 0x66 flash image read or write failed,
0xFE unknown command.
)";
}

}  // namespace varnel::sim
