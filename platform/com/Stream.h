// Byte streams in the object model's form (ISequentialStream, IStream), as
// objects save and load their settings through them (IPersistStream), and an
// in-memory stream in the role of CreateStreamOnHGlobal.
#pragma once

#include "platform/com/Unknown.h"

inline constexpr IID IID_ISequentialStream = com::GuidOf("0C733A30-2A1C-11CE-ADE5-00AA0044773D");
inline constexpr IID IID_IStream = com::GuidOf("0000000C-0000-0000-C000-000000000046");

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

struct ISequentialStream : virtual IUnknown {
  static constexpr IID kIid = IID_ISequentialStream;
  // S_FALSE when fewer than `size` bytes were left; *read (optional) tells how many.
  virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
  virtual HRESULT Write(const void* buffer, ULONG size, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
  static constexpr IID kIid = IID_IStream;
  virtual HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) = 0;
  virtual HRESULT SetSize(ULONGLONG size) = 0;
};

namespace com {

// A growable stream in memory, positioned at 0, optionally holding `size` bytes.
HRESULT CreateMemoryStream(const void* data, ULONG size, IStream** stream);

}  // namespace com
