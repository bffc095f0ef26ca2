#pragma once

// Stand-in for the eight hidapi calls kestrelup makes. Preload libhidsim.so in
// place of libhidapi-hidraw, or link it directly from a unit test.
//
// KESTREL_HIDSIM_DEVICES names a JSON file describing the plugged devices. It is
// read again on every hid_enumerate() and hid_open_path(), so rewriting or
// deleting it plugs and unplugs devices. A missing file means nothing is plugged.
//
//   {"devices":[{
//     "path":"sim-dac-1",
//     "vendorId":"0x32BB", "productId":"0x0004",      JSON integer or string
//     "usagePage":"0xFF32", "usage":"0x0003",          ("0x.." hex or decimal)
//     "manufacturer":"Norvo", "product":"Norvo DAC", "serial":"0001",
//                                                      absent -> null pointer
//     "nameAnswer":"{\"0\":\"Norvo DAC\"}",            answer to request byte 6 == 0x00
//     "versionAnswer":"{\"3\":\"V1.05\"}",             answer to request byte 6 == 0x03
//     "nameAnswerHex":"7B 00 22 ...",                  raw answer bytes, wins over the text
//     "versionAnswerHex":"...",
//     "failOpen":false, "failSend":false, "failRead":false
//   }]}
//
// An open handle keeps what the file said when it was opened.
//
// KESTREL_HIDSIM_LOG, if set, names a file that gets one line per sent feature
// report: "<path>: 05 00 00 ..." (upper-case hex, space-separated).

namespace hidsim {
constexpr const char *kDevicesEnv = "KESTREL_HIDSIM_DEVICES";
constexpr const char *kLogEnv = "KESTREL_HIDSIM_LOG";
constexpr int kReportSize = 65;
} // namespace hidsim

// Handles opened and not yet closed; lets a test check the code under test
// closes what it opens.
extern "C" __attribute__((visibility("default"))) int hidsim_open_handle_count(void);
