#include "hidlink/linux/report_descriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "hidlink_linux/sample_descriptors.h"

namespace hidlink {
namespace {

using samples::Bytes;
using samples::kKeyboard;
using samples::kMouse;
using samples::kMultiReport;
using samples::kVendor64;

struct GoodCase {
  std::string name;
  Bytes descriptor;
  bool usesReportIds;
  std::uint16_t input;
  std::uint16_t output;
  std::uint16_t feature;
};

TEST(ReportDescriptor, LengthsOfRealShapedDescriptors) {
  const std::vector<GoodCase> cases = {
      {"vendor 64/64 unnumbered", kVendor64, false, 65, 65, 0},
      {"boot keyboard", kKeyboard, false, 9, 2, 0},
      {"mouse with report id", kMouse, true, 5, 0, 0},
      // The 59-bit report 2 rounds up to 8 bytes; it only reaches that length if Pop brought
      // report id 2 back.
      {"multi report", kMultiReport, true, 9, 4, 11},
      {"empty", {}, false, 0, 0, 0},
  };
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(c.name);
    ReportDescriptorInfo info;
    ASSERT_EQ(ParseReportDescriptor(c.descriptor, info), DescriptorError::None);
    EXPECT_EQ(info.usesReportIds, c.usesReportIds);
    EXPECT_EQ(info.inputReportByteLength, c.input);
    EXPECT_EQ(info.outputReportByteLength, c.output);
    EXPECT_EQ(info.featureReportByteLength, c.feature);
  }
}

struct BadCase {
  std::string name;
  Bytes descriptor;
  DescriptorError error;
};

TEST(ReportDescriptor, MalformedDescriptorsFail) {
  const std::vector<BadCase> cases = {
      {"short item data cut", {0xA1, 0x01, 0x26, 0xFF}, DescriptorError::Truncated},
      {"4-byte data cut", {0x97, 0x01, 0x00, 0x00}, DescriptorError::Truncated},
      {"long item header cut", {0xFE, 0x05}, DescriptorError::Truncated},
      {"long item data cut", {0xFE, 0x05, 0x10, 0xAA, 0xBB}, DescriptorError::Truncated},
      {"report id 0", {0x85, 0x00}, DescriptorError::BadReportId},
      {"report id 256", {0x86, 0x00, 0x01}, DescriptorError::BadReportId},
      {"pop without push", {0xA4, 0xB4, 0xB4}, DescriptorError::PopWithoutPush},
      {"push too deep", Bytes(17, 0xA4), DescriptorError::PushOverflow},
      {"end without collection", {0xA1, 0x01, 0xC0, 0xC0}, DescriptorError::EndWithoutCollection},
      {"collection left open", {0xA1, 0x01, 0xA1, 0x00, 0xC0}, DescriptorError::OpenCollection},
      {"report too long",
       {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02},
       DescriptorError::ReportTooLong},
      // Each item alone fits; together they pass the limit.
      {"report too long in sum",
       {0x75, 0x08, 0x96, 0x00, 0x80, 0x81, 0x02, 0x81, 0x02},
       DescriptorError::ReportTooLong},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    ReportDescriptorInfo info;
    info.inputReportByteLength = 7;
    EXPECT_EQ(ParseReportDescriptor(c.descriptor, info), c.error);
    EXPECT_EQ(info.inputReportByteLength, 7) << "info changed on error";
  }
}

TEST(ReportDescriptor, LongestReportThatFitsSixteenBits) {
  // 65534 data bytes plus the id byte: 0xFFFF exactly.
  const Bytes descriptor = {0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x02};
  ReportDescriptorInfo info;
  ASSERT_EQ(ParseReportDescriptor(descriptor, info), DescriptorError::None);
  EXPECT_EQ(info.inputReportByteLength, 0xFFFF);
}

TEST(ReportDescriptor, EveryTruncationOfARealDescriptorFails) {
  const Bytes applicationCollection = {0xA1, 0x01};
  for (const Bytes* full : {&kVendor64, &kKeyboard, &kMouse, &kMultiReport}) {
    // Cut before the collection opens, what is left is a well-formed run of global items.
    const auto collection = std::search(full->begin(), full->end(), applicationCollection.begin(),
                                        applicationCollection.end());
    ASSERT_NE(collection, full->end());
    const std::size_t first = static_cast<std::size_t>(collection - full->begin()) + 1;
    for (std::size_t length = first; length < full->size(); ++length) {
      SCOPED_TRACE(length);
      // An exact-size copy, so that reading past the end is caught by the sanitizers.
      const Bytes cut(full->begin(), full->begin() + static_cast<std::ptrdiff_t>(length));
      ReportDescriptorInfo info;
      EXPECT_NE(ParseReportDescriptor(cut, info), DescriptorError::None);
    }
  }
  // Cut inside the Logical Maximum item of the vendor descriptor.
  const Bytes cut(kVendor64.begin(), kVendor64.begin() + 13);
  ReportDescriptorInfo info;
  EXPECT_EQ(ParseReportDescriptor(cut, info), DescriptorError::Truncated);
}

}  // namespace
}  // namespace hidlink
