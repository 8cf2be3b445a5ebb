// Media types: what flows over a pin connection. AM_MEDIA_TYPE is the plain
// record handed across interfaces (its format block allocated with the task
// allocator); CMediaType owns one and copies it deeply.
#pragma once

#include <cstdint>

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"
#include "platform/com/Types.h"
#include "platform/com/Unknown.h"

struct AM_MEDIA_TYPE {
  GUID majortype = GUID_NULL;
  GUID subtype = GUID_NULL;
  BOOL bFixedSizeSamples = FALSE;
  BOOL bTemporalCompression = FALSE;
  ULONG lSampleSize = 0;
  GUID formattype = GUID_NULL;
  IUnknown* pUnk = nullptr;  // unused, kept released
  ULONG cbFormat = 0;
  BYTE* pbFormat = nullptr;  // CoTaskMemAlloc'd, cbFormat bytes
};

// Frees the format block (and pUnk) of a type; the record itself stays.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a type made by CreateMediaType: format block and record.
void DeleteMediaType(AM_MEDIA_TYPE* mt);
// Deep copy into a record whose previous contents are not freed.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A task-allocated deep copy (null when out of memory).
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType() {
    lSampleSize = 1;
    bFixedSizeSamples = TRUE;
  }
  explicit CMediaType(const GUID& major, const GUID& sub = GUID_NULL);
  CMediaType(const AM_MEDIA_TYPE& other);  // NOLINT: implicit deep copy
  CMediaType(const CMediaType& other);
  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  CMediaType& operator=(const CMediaType& other);
  ~CMediaType();

  // Same major type, subtype and format type and an equal format block.
  bool operator==(const CMediaType& other) const;
  bool operator!=(const CMediaType& other) const { return !(*this == other); }

  const GUID* Type() const { return &majortype; }
  void SetType(const GUID* type) { majortype = *type; }
  const GUID* Subtype() const { return &subtype; }
  void SetSubtype(const GUID* type) { subtype = *type; }
  const GUID* FormatType() const { return &formattype; }
  void SetFormatType(const GUID* type) { formattype = *type; }
  BOOL IsFixedSize() const { return bFixedSizeSamples; }
  BOOL IsTemporalCompressed() const { return bTemporalCompression; }
  ULONG GetSampleSize() const { return bFixedSizeSamples ? lSampleSize : 0; }
  void SetSampleSize(ULONG size);  // 0 makes samples variable-size
  void SetVariableSize() { bFixedSizeSamples = FALSE; }
  void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }

  BYTE* Format() const { return pbFormat; }
  ULONG FormatLength() const { return cbFormat; }
  // Replaces the format block with a copy of the bytes; false when out of memory.
  bool SetFormat(const BYTE* format, ULONG length);
  // A zeroed format block of the length (reusing the block when it is as big).
  BYTE* AllocFormatBuffer(ULONG length);
  void ResetFormatBuffer();
  void InitMediaType();

  // True when major and subtype are both set (not GUID_NULL).
  bool IsValid() const { return majortype != GUID_NULL; }
  bool IsPartiallySpecified() const;
  // Matches a partly given type: GUID_NULL fields of `partial` match anything.
  bool MatchesPartial(const CMediaType* partial) const;
};

namespace media {

// A readable form of a type for traces, "major/sub/format (cbFormat)".
std::string DescribeMediaType(const AM_MEDIA_TYPE& mt);

}  // namespace media
