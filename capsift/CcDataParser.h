// ATSC A/53 caption data ("GA94" user data, user_data_type_code 3).
#pragma once

#include "capsift/CaptionAccumulator.h"
#include "common/ByteReader.h"

namespace capsift {

// Parses one user data structure, the reader positioned just after its start
// code (0x000001B2). Keeps line 21 field 1 pairs (cc_valid 1, cc_type 0) other
// than the null pair 0x80 0x80; any other user data is stepped over. Ends at
// the next start code.
void ParseCcData(common::ByteReader& reader, CaptionAccumulator& accumulator);

}  // namespace capsift
