#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tables/dump/TableDump.h"
#include "tests/support/Bytes.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TimeZone.h"
#include "tests/tables/SectionBuilder.h"

#include <gtest/gtest.h>

namespace tables::test {
namespace {

class DumpTest : public ::testing::Test {
 protected:
  static std::string Dump(const Bytes& section) {
    DumpText out;
    DumpSection(out, section);
    return out.Text();
  }

  testsupport::ScopedTimeZone zone_{"America/New_York"};
};

TEST_F(DumpTest, Pat) {
  EXPECT_EQ(Dump(Pat(0x0801, 3, {{0, 0x10}, {1, 0x30}, {2, 0x1ABC}})),
            "    PAT TSID=0x0801 Ver=3 current=1 Section=1/1\n"
            "      program_count=3\n"
            "      Program Number:     0, network_PID: 0x0010\n"
            "      Program Number:     1, program_map_PID: 0x0030\n"
            "      Program Number:     2, program_map_PID: 0x1abc\n");
}

TEST_F(DumpTest, PmtWithCaAndOtherDescriptors) {
  const Bytes ca{0x09, 0x06, 0x0E, 0x00, 0xE1, 0x23, 0xAA, 0xBB};
  const Bytes ac3{0x81, 0x02, 0x46, 0x3F};
  EXPECT_EQ(
      Dump(Pmt(3, 1, 0x31, {{0x02, 0x31}, {0x81, 0x34, ac3}}, ca)),
      "    PMT TIDE=0x0003 Ver=1 current=1 Section=1/1\n"
      "      program_number = 3\n"
      "      PCR PID = 0x0031\n"
      "        CA_system_ID = 0xE00 CA_PID = 0x0123 private_data 0xAA 0xBB\n"
      "        stream_type = 0x02 (MPEG-2 Video) elementary_PID = 0x0031 ES_info_length = 0\n"
      "        stream_type = 0x81 (A52/AC-3 Audio) elementary_PID = 0x0034 ES_info_length = 4\n"
      "        Tag=0x81 (AC3 Audio), Len=2   0x46 0x3F\n");
}

TEST_F(DumpTest, Mgt) {
  EXPECT_EQ(Dump(Mgt(4, {{0x0000, 0x1FFB, 1},
                         {0x0004, 0x1E00, 2},
                         {0x0100, 0x1D00, 3},
                         {0x0105, 0x1D05, 3},
                         {0x0200, 0x1E01, 12},
                         {0x0301, 0x1FFB, 1, 100}})),
            "    MGT TIDE=0x0000 Ver=4 current=1 Section=1/1\n"
            "      tables_defined: 6\n"
            "        VCT     PID 0x1FFB TID 0xC8 Version:  1\n"
            "        ETT-004 PID 0x1E00 TID 0xCC Version:  2\n"
            "        EIT-000 PID 0x1D00 TID 0xCB Version:  3\n"
            "        EIT-005 PID 0x1D05 TID 0xCB Version:  3\n"
            "        ETT-000 PID 0x1E01 TID 0xCC Version:  12\n"
            "        table_type: 0x0301 RRT with rating_region 1-255 PID: 0x1FFB Ver: 1 Bytes: 100 "
            "descriptors_length: 0\n");
}

TEST_F(DumpTest, TerrestrialVctWithServiceLocation) {
  const Bytes location{0xA1, 15, 0xE0, 0x31, 2,    0x02, 0xE0, 0x31, 0,
                       0,    0,  0x81, 0xE0, 0x34, 'e',  'n',  'g'};
  const std::string dump = Dump(Vct(0xC8, 0x0801, 6,
                                    {{.name = u"KABC-HD",
                                      .major = 7,
                                      .minor = 1,
                                      .programNumber = 3,
                                      .sourceId = 3,
                                      .carrier = 0,
                                      .descriptors = location}}));
  EXPECT_EQ(dump,
            "    TVCT TSID=0x0801 Ver=6 current=1 Section=1/1\n"
            "      protocol_version        0\n"
            "      channel_count           1\n"
            "        channel=7.1         KABC-HD\n"
            "        modulation_mode:      0x04\n"
            "        carrier_frequency:    0\n"
            "        channel_TSID:         0x0801\n"
            "        program_number:       3\n"
            "        ETM_location:         0x1\n"
            "        access_controlled:    0\n"
            "        hidden:               0\n"
            "        hide_guide:           0\n"
            "        service_type:         0x02 - ATSC digital television\n"
            "        source_id:            0x0003\n"
            "        descriptors_length:   17\n"
            "          pcr_pid=0x31\n"
            "          stream_type = 0x02 (MPEG-2 Video) PID = 0x0031 lang_code =    \n"
            "          stream_type = 0x81 (A52/AC-3 Audio) PID = 0x0034 lang_code = eng\n");
}

TEST_F(DumpTest, CableVctAddsPathAndBandAndShortNamesKeepTheirZeros) {
  const std::string dump =
      Dump(Vct(0xC9, 1, 0, {{.name = u"KQ", .major = 2, .minor = 5, .serviceType = 7}}));
  EXPECT_NE(dump.find("    CVCT TSID=0x0001"), std::string::npos);
  EXPECT_NE(dump.find(std::string("        KQ\0\0\0\0\0\n", 16)), std::string::npos);
  EXPECT_NE(dump.find("        hidden:               0\n"
                      "        path_select:          0\n"
                      "        out_of_band:          0\n"
                      "        hide_guide:           0\n"
                      "        service_type:         0x07 - Reserved\n"),
            std::string::npos);
}

TEST_F(DumpTest, PsipEventWithLocalTime) {
  const Bytes caption{0x86, 0x06, 0xE1, 'e', 'n', 'g', 0xC1, 0x3F};
  Bytes descriptors = ContentAdvisory({{0, 3}});
  Append(descriptors, caption);
  EXPECT_EQ(
      Dump(Eit(0x8003, 5,
               {{.eventId = 0x101,
                 .start = 1'400'000'000,
                 .length = 1800,
                 .title = "News",
                 .descriptors = descriptors}})),
      "    EIT source_id=0x8003 Ver=5 current=1 Section=1/1\n"
      "      event_count=1\n"
      "        event_id: 0x0101\n"
      "        start_time = 2024-05-17 12:53:20 dst\n"
      "        ETM_location: 0x1\n"
      "        event_length = 30\n"
      "        title_length 12\n"
      "        title_text = News\n"
      "        descriptors_length 16\n"
      "          Tag=0x86 (caption_serv_descriptor), Len=6   0xE1 0x65 0x6E 0x67 0xC1 0x3F\n");
}

TEST_F(DumpTest, DvbEitShowsTheNamedInstant) {
  Bytes body;
  Put16(body, 0x0401);
  Put16(body, 0x2000);
  body.push_back(0);
  body.push_back(0x50);
  const Bytes shortEvent{0x4D, 0x0C, 'e', 'n', 'g', 4, 'N', 'e', 'w', 's', 3, 'T', 'x', 't'};
  Put16(body, 0x1234);
  Put16(body, 0xC079);  // 1993-10-13
  Put24(body, 0x124500);
  Put24(body, 0x014500);
  Put16(body, 0x8000 | static_cast<unsigned>(shortEvent.size()));
  Append(body, shortEvent);
  EXPECT_EQ(Dump(LongSection(0x4E, 0x0101, 2, body)),
            "    EIT service_id=0x0101 Ver=2 current=1 Section=1/1\n"
            "      transport_stream_id=1025\n"
            "      original_network_id=8192\n"
            "      segment_last_section_number=0\n"
            "      last_table_id=80\n"
            "        event_id: 0x1234\n"
            "        start_date = 0xC079\n"
            "        start_date = 1993-10-13 08:45:00 dst\n"
            "        start_time = 0x124500\n"
            "        duration = 0x14500\n"
            "        descriptors_loop_length 14\n"
            "          Tag=0x4D (short_event_descriptor), Len=12   0x65 0x6E 0x67 0x04 0x4E 0x65 "
            "0x77 0x73 0x03 0x54 0x78 0x74\n"
            "          News:Txt\n");
}

TEST_F(DumpTest, SdtPrintsOriginalNetworkIdTwice) {
  Bytes body;
  Put16(body, 0x2000);
  body.push_back(0xFF);
  Put16(body, 0x0101);
  body.push_back(0xFD);  // EIT schedule and present/following
  const Bytes service{0x48, 0x09, 0x01, 3, 'B', 'B', 'C', 3, 0x05, 'O', 'n'};
  Put16(body, 0x8000 | static_cast<unsigned>(service.size()));  // running 4
  Append(body, service);
  EXPECT_EQ(Dump(LongSection(0x42, 0x0401, 1, body)),
            "    SDT TIDE=0x0401 Ver=1 current=1 Section=1/1 section_length=28\n"
            "    SDT=0x2000 original_network_id=0x2000 reserved_for_future_use=0x00FF\n"
            "      service_id=257\n"
            "        EIT_schedule_flag=0\n"
            "        EIT_present_following_flag=1\n"
            "        running_status=4\n"
            "        free_CA_mode=0\n"
            "        descriptors_loop_length=11\n"
            "         service_type 0x01\n"
            "         BBC:On\n");
}

TEST_F(DumpTest, CableNitCarriersAndOtherSubtypes) {
  Bytes section{0xC2, 0, 0, 0, 10, 1, 0x01};
  section.push_back(3);                    // number_of_carriers
  Put16(section, 0x8000 | 48);             // spacing 48 × 125 kHz = 6 MHz
  Put16(section, 0x8000 | (57000 / 125));  // first carrier 57 MHz
  section.push_back(0);                    // descriptors_count
  Put32(section, 0);                       // CRC position
  section[2] = static_cast<std::uint8_t>(section.size() - 3);
  EXPECT_EQ(Dump(section),
            "    NIT first_index: 10\n"
            "      CDS number_of_carriers:3\n"
            "        index  10 frequency=  57000000\n"
            "        index  11 frequency=  63000000\n"
            "        index  12 frequency=  69000000\n"
            "\n");
  section[6] = 0x03;
  EXPECT_EQ(Dump(section), "    NIT first_index: 10\n");
}

TEST_F(DumpTest, CableNitModulationModesEachFromItsOwnRecord) {
  Bytes section{0xC2, 0, 0, 0, 1, 2, 0x02};
  section.insert(section.end(), {0x21, 0x08});  // system 2, inner 1, 64-QAM format 8
  Put32(section, 5056941);
  section.insert(section.end(), {1, 0x80, 0x01, 0xAA});  // one descriptor
  section.insert(section.end(), {0x32, 0x90});           // system 3, inner 2, split, format 16
  Put32(section, 5360537);
  section.push_back(0);
  Put32(section, 0);
  section[2] = static_cast<std::uint8_t>(section.size() - 3);
  EXPECT_EQ(Dump(section),
            "    NIT first_index:  1\n"
            "      MMS transmission_system:2\n"
            "        inner_coding_mode:1\n"
            "        split_bitstream_mode:0\n"
            "        modulation_format:8\n"
            "        symbol_rate():5056941\n"
            "        descriptor_count:1\n"
            "      MMS transmission_system:3\n"
            "        inner_coding_mode:2\n"
            "        split_bitstream_mode:1\n"
            "        modulation_format:16\n"
            "        symbol_rate():5360537\n"
            "        descriptor_count:0\n");
}

TEST_F(DumpTest, GenericAndShortSections) {
  EXPECT_EQ(Dump(ShortSection(0x70, {1, 2, 3})), "    0x70 section_length:3\n");
  EXPECT_EQ(Dump(LongSection(0xCD, 0, 0, {0, 0, 0, 0, 0, 18, 0x60, 0})),
            "    STT TIDE=0x0000 Ver=0 current=1 Section=1/1\n");
}

TEST_F(DumpTest, StoreFileGroupsByChannelAndPidWithCrLf) {
  SectionStore store;
  SectionTag atsc{0, 7, 0x01, 0};
  store.StoreSection(Pat(1, 0, {{1, 0x30}}), atsc);
  atsc.pid = 0x1FFB;
  store.StoreSection(LongSection(0xCD, 0, 0, {0, 0, 0, 0, 0, 18, 0x60, 0}), atsc);
  SectionTag dvb{4, 34, 0x100, 0};  // COFDM auto does not fit the key's 8 bits
  store.StoreSection(Pat(2, 0, {}), dvb);

  const testsupport::TempFolder folder("corvane-psip");
  DumpSectionStore(store, folder.Path());
  const std::string bytes = testsupport::ReadText(folder / "PSIP.txt");
  EXPECT_EQ(bytes,
            "Unknown Antenna EU 34\r\n"
            "  PID=0x0000\r\n"
            "    PAT TSID=0x0002 Ver=0 current=1 Section=1/1\r\n"
            "      program_count=0\r\n"
            "VSB:8-VSB Antenna US 7\r\n"
            "    PAT TSID=0x0001 Ver=0 current=1 Section=1/1\r\n"
            "      program_count=1\r\n"
            "      Program Number:     1, program_map_PID: 0x0030\r\n"
            "  PID=0x1FFB\r\n"
            "    STT TIDE=0x0000 Ver=0 current=1 Section=1/1\r\n");
}

}  // namespace
}  // namespace tables::test
