#pragma once
// A small HID report descriptor parser: just enough to learn the report byte lengths and whether
// reports carry a report id, which sysfs does not tell us directly.

#include <cstdint>
#include <span>

namespace hidlink {

enum class DescriptorError {
  None,
  Truncated,             // an item runs past the end of the descriptor
  BadReportId,           // Report ID 0 or wider than one byte
  ReportTooLong,         // a report longer than a 16-bit byte length can carry
  PushOverflow,          // Push nested deeper than the global stack
  PopWithoutPush,        // Pop with an empty global stack
  EndWithoutCollection,  // End Collection outside any collection
  OpenCollection,        // collections still open at the end
};

struct ReportDescriptorInfo {
  bool usesReportIds = false;
  // The largest report of each kind over all report ids, in bytes with the report id byte counted
  // (whether or not the device numbers its reports); 0 when the device has no report of that kind.
  std::uint16_t inputReportByteLength = 0;
  std::uint16_t outputReportByteLength = 0;
  std::uint16_t featureReportByteLength = 0;
};

// Parses a whole descriptor. Never reads outside `descriptor`; on an error `info` is left as it
// was.
DescriptorError ParseReportDescriptor(std::span<const std::uint8_t> descriptor,
                                      ReportDescriptorInfo& info);

}  // namespace hidlink
