#include "tables/dump/DescriptorDump.h"

#include <string>

#include "common/ByteReader.h"
#include "common/TsConstants.h"
#include "common/Utf16.h"
#include "tables/names/NameTables.h"
#include "tables/sections/SectionReader.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

void DumpRaw(DumpText& out, std::uint8_t tag, std::span<const std::uint8_t> body,
             const std::string& indent) {
  out.Print("%sTag=0x%02X (%s), Len=%d  ", indent.c_str(), tag, DescriptorName(tag),
            static_cast<int>(body.size()));
  for (std::uint8_t b : body)
    out.Print(" 0x%02X", b);
  out.Append("\n");
}

void DumpCa(DumpText& out, std::span<const std::uint8_t> body) {
  if (body.size() <= 3) return;
  common::ByteReader r(body);
  const unsigned system = r.U16();
  r.Bits(3);
  const auto pid = static_cast<unsigned>(r.Bits(13));
  out.Print("        CA_system_ID = 0x%02X CA_PID = 0x%04X", system, pid);
  if (body.size() > 4) {
    out.Append(" private_data");
    for (std::uint8_t b : body.subspan(4))
      out.Print(" 0x%02X", b);
  }
  out.Append("\n");
}

// Bytes up to the first zero, as "%s" prints them.
void AppendCString(DumpText& out, std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) {
    if (b == 0) return;
    out.AppendChar(static_cast<char>(b));
  }
}

void DumpService(DumpText& out, std::span<const std::uint8_t> body, const std::string& indent) {
  common::ByteReader r(body);
  const std::uint8_t serviceType = r.U8();
  const auto provider = r.Bytes(r.U8());
  const auto name = r.Bytes(r.U8());
  out.Print("%s service_type 0x%02X\n", indent.c_str(), serviceType);
  out.Print("%s ", indent.c_str());
  for (std::uint8_t b : provider)
    out.AppendChar(static_cast<char>(b));
  out.Append(":");
  AppendCString(out, !name.empty() && name[0] < 0x20 ? name.subspan(1) : name);
  out.Append("\n");
}

std::u16string DvbText(std::span<const std::uint8_t> bytes) {
  char16_t text[128];
  DecodeDvbString(text, bytes);
  return std::u16string(common::FieldView(text));
}

void DumpShortEvent(DumpText& out, std::uint8_t tag, std::span<const std::uint8_t> body,
                    const std::string& indent) {
  DumpRaw(out, tag, body, indent);
  common::ByteReader r(body);
  r.Skip(3);
  const auto name = r.Bytes(r.U8());
  const auto text = r.Bytes(r.U8());
  out.Append(indent);
  out.AppendUtf16(DvbText(name));
  out.Append(":");
  out.AppendUtf16(DvbText(text));
  out.Append("\n");
}

void DumpExtendedChannelName(DumpText& out, std::span<const std::uint8_t> body,
                             const std::string& indent) {
  if (body.empty()) return;
  char name[1024];
  DecodeMultipleString8(name, body);
  out.Print("%s  %s\n", indent.c_str(), name);
}

void DumpServiceLocation(DumpText& out, std::span<const std::uint8_t> body,
                         const std::string& indent) {
  if (body.size() < 3 || (body.size() - 3) % 6 != 0) return;
  common::ByteReader r(body);
  r.Bits(3);
  const auto pcrPid = static_cast<unsigned>(r.Bits(13));
  const unsigned elements = r.U8();
  // "%  s" prints the indent: the blanks are flags of the conversion.
  out.Print("%spcr_pid=0x%x\n", indent.c_str(), pcrPid);
  for (unsigned i = 0; i < elements && r.Remaining() >= 6; ++i) {
    const std::uint8_t type = r.U8();
    r.Bits(3);
    const auto pid = static_cast<unsigned>(r.Bits(13));
    const auto lang = r.Bytes(3);
    out.Print("%sstream_type = 0x%02X", indent.c_str(), type);
    out.Print(" (%-12s)", StreamTypeName(type));
    out.Print(" PID = 0x%04X", pid);
    auto letter = [](std::uint8_t c) { return c == 0 ? ' ' : static_cast<char>(c); };
    out.Print(" lang_code = %c%c%c\n", letter(lang[0]), letter(lang[1]), letter(lang[2]));
  }
}

}  // namespace

void DumpDescriptors(DumpText& out, std::span<const std::uint8_t> loop, std::string_view indent) {
  const std::string pad(indent);
  ForEachDescriptor(loop, [&](std::uint8_t tag, std::span<const std::uint8_t> body) {
    switch (tag) {
      case common::kCaDescriptorTag:
        DumpCa(out, body);
        break;
      case common::kServiceDescriptorTag:
        DumpService(out, body, pad);
        break;
      case common::kShortEventDescriptorTag:
        DumpShortEvent(out, tag, body, pad);
        break;
      case common::kContentAdvisoryDescriptorTag:
        break;
      case common::kExtendedChannelNameDescriptorTag:
        DumpExtendedChannelName(out, body, pad);
        break;
      case common::kServiceLocationDescriptorTag:
        DumpServiceLocation(out, body, pad);
        break;
      default:
        DumpRaw(out, tag, body, pad);
        break;
    }
  });
}

}  // namespace tables
