#pragma once

// Whether the data records of a HEX file fit the board's reports: the second pass over a file,
// once HexFileReader::Open has taken it as Intel HEX and before the board hears of it. One 'R'
// record carries at most kMaxRecordWords words, its data report must fit the board's output
// report, and that report holds 16-bit word addresses.

#include <cstddef>

#include "pic/hex_file_reader.h"

namespace pic {

// `opened` is what reader.Open returned; a refusal in it comes back as it is. Otherwise every
// record of the open reader is checked, in file order, and the first that does not fit is
// refused with its line; a refusal closes the reader, so that nothing of the file is delivered.
// `outputReportLength` is the board's output report length, report id included.
HexStatus CheckBoardFit(HexFileReader& reader, HexStatus opened, size_t outputReportLength);

}  // namespace pic
