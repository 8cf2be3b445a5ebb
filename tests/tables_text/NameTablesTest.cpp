#include "tables/names/NameTables.h"

#include <gtest/gtest.h>

#include <string>

namespace tables {
namespace {

TEST(NameTablesTest, TableIds) {
  EXPECT_STREQ(TableIdName(0x00), "PAT");
  EXPECT_STREQ(TableIdName(0x46), "SDT");
  for (unsigned id : {0x4Eu, 0x50u, 0x5Fu, 0xCBu})
    EXPECT_STREQ(TableIdName(id), "EIT") << id;
  EXPECT_STREQ(TableIdName(0xC7), "MGT");
  EXPECT_STREQ(TableIdName(0xD7), "AETT");
  EXPECT_STREQ(TableIdName(0xD5), "0xD5");
  EXPECT_STREQ(TableIdName(0x4F), "0x4F");
  EXPECT_STREQ(TableIdName(0x07), "0x 7");  // a single digit is padded with a blank
}

TEST(NameTablesTest, FormattedNamesStayValidUntilTheNextCallOfTheSameFunction) {
  const char* table = TableIdName(0xD5);
  const char* service = ServiceTypeName(9);
  const char* eit = TableTypeName(0x0107);
  EXPECT_STREQ(table, "0xD5");
  EXPECT_STREQ(service, "0x09 - Reserved");
  EXPECT_STREQ(eit, "EIT-7");
}

TEST(NameTablesTest, MgtTableTypes) {
  EXPECT_STREQ(TableTypeName(0x0000), "Terrestrial VCT with current_next_indicator=1");
  EXPECT_STREQ(TableTypeName(0x0003), "Cable VCT with current_next_indicator=0");
  EXPECT_STREQ(TableTypeName(0x0004), "Channel ETT");
  EXPECT_STREQ(TableTypeName(0x0005), "DCCSCT");
  EXPECT_STREQ(TableTypeName(0x0105), "EIT-5");
  EXPECT_STREQ(TableTypeName(0x017F), "EIT-127");
  EXPECT_STREQ(TableTypeName(0x2100), "EIT-0");  // masked to 13 bits
  EXPECT_STREQ(TableTypeName(0x0FFF), "unknown table type");
  EXPECT_STREQ(TableTypeName(0x0250), "Event ETT-0 to event ETT-127");
  EXPECT_STREQ(TableTypeName(0x0301), "RRT with rating_region 1-255");
  EXPECT_STREQ(TableTypeName(0x0400), "[User private]");
  EXPECT_STREQ(TableTypeName(0x0FFE), "[User private]");
  EXPECT_STREQ(TableTypeName(0x14AB), "DCCT with dcc_id 0x00 - 0xFF");
  for (unsigned type : {0x0006u, 0x00FFu, 0x0180u, 0x0300u, 0x1000u, 0x13FFu, 0x1500u, 0x1FFFu}) {
    EXPECT_STREQ(TableTypeName(static_cast<std::uint16_t>(type)), "[Reserved for future ATSC use]")
        << type;
  }
}

TEST(NameTablesTest, StreamTypes) {
  EXPECT_STREQ(StreamTypeName(0x02), "MPEG-2 Video");
  EXPECT_STREQ(StreamTypeName(0x0E), "ISO 13818-1 auxiliary");
  EXPECT_STREQ(StreamTypeName(0x14), "dsm-cc");
  EXPECT_STREQ(StreamTypeName(0x1B), "H.264 Video");
  EXPECT_STREQ(StreamTypeName(0x81), "A52/AC-3 Audio");
  EXPECT_STREQ(StreamTypeName(0x94), "SDDS Audio");
  EXPECT_STREQ(StreamTypeName(0xEA), "Private ES (VC-1)");
  EXPECT_STREQ(StreamTypeName(0x15), "unknown");
}

TEST(NameTablesTest, ServiceTypes) {
  EXPECT_STREQ(ServiceTypeName(0x02), "0x02 - ATSC digital television");
  EXPECT_STREQ(ServiceTypeName(0x04), "0x04 - ATSC_data_only_service");
  EXPECT_STREQ(ServiceTypeName(5), "0x05 - Reserved");
  EXPECT_STREQ(ServiceTypeName(0x3F), "0x3F - Reserved");
  EXPECT_STREQ(ServiceTypeName(0), "0x00 - Reserved");
}

TEST(NameTablesTest, Descriptors) {
  EXPECT_STREQ(DescriptorName(0x0A), "ISO_639_lang_descr");
  EXPECT_STREQ(DescriptorName(0x4D), "short_event_descriptor");
  EXPECT_STREQ(DescriptorName(0x81), "AC3 Audio");
  EXPECT_STREQ(DescriptorName(0xA0), "extended_ch_name_descr");
  EXPECT_STREQ(DescriptorName(0xB8), "Group_Link_descr");
  int known = 0;
  for (unsigned tag = 0; tag < 256; ++tag) {
    if (std::string(DescriptorName(static_cast<std::uint8_t>(tag))) != "unknown_descr") ++known;
  }
  EXPECT_EQ(known, 47);
}

}  // namespace
}  // namespace tables
