#include "tools/broadcast/CaptureWriter.h"

#include <cmath>
#include <fstream>

namespace broadcast {

bool WriteCapture(const MultiplexDescription& multiplex, double seconds,
                  const std::filesystem::path& file, const MultiplexOptions& options,
                  std::string& error) {
  if (!(seconds > 0)) {
    error = "the length must be above 0 seconds";
    return false;
  }
  auto mux = Multiplex::Create(multiplex, options, error);
  if (!mux) return false;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "cannot create " + file.string();
    return false;
  }
  const auto total = static_cast<std::uint64_t>(
      std::ceil(seconds * static_cast<double>(mux->BitRate()) / (kPacketSize * 8)));
  std::vector<std::uint8_t> buffer(kPacketSize * 1024);
  for (std::uint64_t done = 0; done < total;) {
    const std::uint64_t n = std::min<std::uint64_t>(total - done, 1024);
    const std::size_t bytes = mux->Read(std::span(buffer).first(n * kPacketSize));
    out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(bytes));
    done += n;
  }
  out.close();
  if (!out) {
    error = "cannot write " + file.string();
    return false;
  }
  return true;
}

bool WriteCaptures(const BroadcastDescription& description, double seconds,
                   const std::filesystem::path& folder, const MultiplexOptions& options,
                   std::vector<std::filesystem::path>& written, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = "cannot create " + folder.string() + ": " + ec.message();
    return false;
  }
  for (const MultiplexDescription& m : description.multiplexes) {
    if (!m.synthetic) continue;
    const std::filesystem::path file = folder / m.CaptureFileName();
    if (!WriteCapture(m, seconds, file, options, error)) return false;
    written.push_back(file);
  }
  return true;
}

}  // namespace broadcast
