#include "tables/names/NameTables.h"

#include <cstdio>

namespace tables {

const char* TableIdName(std::uint8_t tableId) {
  if (tableId >= 0x50 && tableId <= 0x5F) return "EIT";
  switch (tableId) {
    case 0x00:
      return "PAT";
    case 0x01:
      return "CAT";
    case 0x02:
      return "PMT";
    case 0x42:
    case 0x46:
      return "SDT";
    case 0x4E:
    case 0xCB:
      return "EIT";
    case 0xC2:
      return "NIT";
    case 0xC3:
      return "NTT";
    case 0xC4:
      return "SVCT";
    case 0xC5:
      return "STT2";
    case 0xC7:
      return "MGT";
    case 0xC8:
      return "TVCT";
    case 0xC9:
      return "CVCT";
    case 0xCA:
      return "RRT";
    case 0xCC:
      return "ETT";
    case 0xCD:
      return "STT";
    case 0xD3:
      return "DCCT";
    case 0xD4:
      return "DCCSCT";
    case 0xD6:
      return "AEIT";
    case 0xD7:
      return "AETT";
    default:
      break;
  }
  thread_local char buffer[8];
  std::snprintf(buffer, sizeof buffer, "0x%2X", static_cast<unsigned>(tableId));
  return buffer;
}

const char* TableTypeName(std::uint16_t tableType) {
  constexpr const char* kReserved = "[Reserved for future ATSC use]";
  const unsigned type = tableType & 0x1FFFu;
  switch (type) {
    case 0x0000:
      return "Terrestrial VCT with current_next_indicator=1";
    case 0x0001:
      return "Terrestrial VCT with current_next_indicator=0";
    case 0x0002:
      return "Cable VCT with current_next_indicator=1";
    case 0x0003:
      return "Cable VCT with current_next_indicator=0";
    case 0x0004:
      return "Channel ETT";
    case 0x0005:
      return "DCCSCT";
    case 0x0FFF:
      return "unknown table type";
    default:
      break;
  }
  if (type <= 0x00FF) return kReserved;
  if (type <= 0x017F) {
    thread_local char buffer[16];
    std::snprintf(buffer, sizeof buffer, "EIT-%u", type - 0x100);
    return buffer;
  }
  if (type <= 0x01FF) return kReserved;
  if (type <= 0x027F) return "Event ETT-0 to event ETT-127";
  if (type <= 0x0300) return kReserved;
  if (type <= 0x03FF) return "RRT with rating_region 1-255";
  if (type <= 0x0FFE) return "[User private]";
  if (type >= 0x1400 && type <= 0x14FF) return "DCCT with dcc_id 0x00 - 0xFF";
  return kReserved;
}

const char* StreamTypeName(std::uint8_t streamType) {
  switch (streamType) {
    case 0x00:
      return "Reserved";
    case 0x01:
      return "MPEG-1 Video";
    case 0x02:
      return "MPEG-2 Video";
    case 0x03:
      return "MPEG-1 Audio";
    case 0x04:
      return "MPEG-2 Audio";
    case 0x05:
      return "ISO 13818-1 private sections";
    case 0x06:
      return "PES";
    case 0x07:
      return "ISO 13522 MHEG";
    case 0x08:
      return "ISO 13818-1 DSM-CC";
    case 0x09:
    case 0x0E:
      return "ISO 13818-1 auxiliary";
    case 0x0A:
      return "ISO 13818-6 multi-protocol encap";
    case 0x0B:
    case 0x0D:
    case 0x14:
      return "dsm-cc";
    case 0x0C:
      return "ISO 13818-6 stream descriptors";
    case 0x0F:
      return "AAC Audio";
    case 0x10:
      return "MPEG-4 Video";
    case 0x11:
      return "MPEG-4 LATM AAC Audio";
    case 0x12:
      return "MPEG-4 generic";
    case 0x13:
      return "ISO 14496-1 SL-packetized";
    case 0x1B:
      return "H.264 Video";
    case 0x80:
      return "DigiCipher II Video";
    case 0x81:
      return "A52/AC-3 Audio";
    case 0x82:
      return "HDMV DTS Audio";
    case 0x83:
      return "LPCM Audio";
    case 0x84:
    case 0x94:
      return "SDDS Audio";
    case 0x85:
      return "ATSC Program ID";
    case 0x86:
      return "DTS-HD Audio";
    case 0x87:
      return "E-AC-3 Audio";
    case 0x8A:
      return "DTS Audio";
    case 0x91:
      return "A52b/AC-3 Audio";
    case 0x92:
      return "DVD_SPU vls Subtitle";
    case 0x95:
      return "data";
    case 0xA0:
      return "MSCODEC Video";
    case 0xC2:
      return "PES Packet";
    case 0xEA:
      return "Private ES (VC-1)";
    default:
      return "unknown";
  }
}

const char* ServiceTypeName(std::uint8_t serviceType) {
  switch (serviceType) {
    case 0x01:
      return "0x01 - Analog Television";
    case 0x02:
      return "0x02 - ATSC digital television";
    case 0x03:
      return "0x03 - ATSC_audio";
    case 0x04:
      return "0x04 - ATSC_data_only_service";
    default:
      break;
  }
  thread_local char buffer[20];
  std::snprintf(buffer, sizeof buffer, "0x%02X - Reserved", static_cast<unsigned>(serviceType));
  return buffer;
}

const char* DescriptorName(std::uint8_t tag) {
  switch (tag) {
    case 0x02:
      return "video_stream_descr";
    case 0x03:
      return "audio_stream_descr";
    case 0x04:
      return "hierarchy_descr";
    case 0x05:
      return "registration_descr";
    case 0x06:
      return "data_stream_align_descr";
    case 0x07:
      return "target_background_grid_descr";
    case 0x08:
      return "video_window_descr";
    case 0x09:
      return "CA_descriptor";
    case 0x0A:
      return "ISO_639_lang_descr";
    case 0x0B:
      return "syst_clk_descr";
    case 0x0C:
      return "multiplex_buf_utilization_descr";
    case 0x0D:
      return "copyright_descr";
    case 0x0E:
      return "max_bitrate_descr";
    case 0x0F:
      return "private_data_indicator_descr";
    case 0x10:
      return "smoothing_buf_descr";
    case 0x11:
      return "STD_descr";
    case 0x12:
      return "IBP_descr";
    case 0x14:
      return "assoc_tag_descr";
    case 0x1C:
      return "MPEG-4_video_descriptor";
    case 0x1D:
      return "MPEG-4_audio_descriptor";
    case 0x48:
      return "service_descriptor";
    case 0x4A:
      return "linkage_descriptor";
    case 0x4D:
      return "short_event_descriptor";
    case 0x4E:
      return "extended_event_descriptor";
    case 0x54:
      return "content_descriptor";
    case 0x80:
      return "stuffing_descr";
    case 0x81:
      return "AC3 Audio";
    case 0x86:
      return "caption_serv_descriptor";
    case 0x87:
      return "content_advisory_descr";
    case 0x93:
      return "revision_detection_descriptor";
    case 0x94:
      return "two_part_channel_number_descriptor";
    case 0x95:
      return "channel_properties_descriptor";
    case 0x96:
      return "daylight_savings_time_descriptor";
    case 0xA0:
      return "extended_ch_name_descr";
    case 0xA1:
      return "serv_location_descr";
    case 0xA2:
      return "time_shifted_serv_descr";
    case 0xA3:
      return "component_name_descr";
    case 0xA4:
      return "data_service_descr";
    case 0xA5:
      return "PID_count_descr";
    case 0xA6:
      return "Download_descr";
    case 0xA7:
      return "multiprotocol_encapsulate_descr";
    case 0xA8:
      return "DCC_departing_event_descr";
    case 0xA9:
      return "DCC_arriving_event_descr";
    case 0xAA:
      return "Content_Protect_Copy_Mngt_descr";
    case 0xB4:
      return "Module_Link_descr";
    case 0xB5:
      return "CRC32_descr";
    case 0xB8:
      return "Group_Link_descr";
    default:
      return "unknown_descr";
  }
}

}  // namespace tables
