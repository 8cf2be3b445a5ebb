#include "platform/media/MediaType.h"

#include <cstring>
#include <new>
#include <string>

#include "platform/com/TaskMemory.h"

void FreeMediaType(AM_MEDIA_TYPE& mt) {
  if (mt.cbFormat != 0 || mt.pbFormat != nullptr) CoTaskMemFree(mt.pbFormat);
  mt.cbFormat = 0;
  mt.pbFormat = nullptr;
  if (mt.pUnk != nullptr) {
    mt.pUnk->Release();
    mt.pUnk = nullptr;
  }
}

void DeleteMediaType(AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return;
  FreeMediaType(*mt);
  mt->~AM_MEDIA_TYPE();
  CoTaskMemFree(mt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (target == nullptr || source == nullptr) return E_POINTER;
  if (target == source) return S_OK;
  *target = *source;
  if (source->cbFormat != 0 && source->pbFormat != nullptr) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (target->pbFormat == nullptr) {
      target->cbFormat = 0;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
  } else {
    target->pbFormat = nullptr;
    target->cbFormat = 0;
  }
  if (target->pUnk != nullptr) target->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
  void* block = CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
  if (block == nullptr) return nullptr;
  auto* mt = new (block) AM_MEDIA_TYPE;
  if (source != nullptr && FAILED(CopyMediaType(mt, source))) {
    CoTaskMemFree(block);
    return nullptr;
  }
  return mt;
}

CMediaType::CMediaType(const GUID& major, const GUID& sub) : CMediaType() {
  majortype = major;
  subtype = sub;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) {
  CopyMediaType(this, &other);
}

CMediaType::CMediaType(const CMediaType& other) : AM_MEDIA_TYPE() {
  CopyMediaType(this, &other);
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) {
  if (&other != this) {
    FreeMediaType(*this);
    CopyMediaType(this, &other);
  }
  return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
  return *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType::~CMediaType() {
  FreeMediaType(*this);
}

bool CMediaType::operator==(const CMediaType& o) const {
  return majortype == o.majortype && subtype == o.subtype && formattype == o.formattype &&
         cbFormat == o.cbFormat &&
         (cbFormat == 0 || std::memcmp(pbFormat, o.pbFormat, cbFormat) == 0);
}

void CMediaType::SetSampleSize(ULONG size) {
  if (size == 0) {
    SetVariableSize();
  } else {
    bFixedSizeSamples = TRUE;
    lSampleSize = size;
  }
}

bool CMediaType::SetFormat(const BYTE* format, ULONG length) {
  BYTE* block = AllocFormatBuffer(length);
  if (block == nullptr && length != 0) return false;
  if (length != 0) std::memcpy(block, format, length);
  return true;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length) {
  if (length == 0) {
    ResetFormatBuffer();
    return nullptr;
  }
  if (cbFormat >= length && pbFormat != nullptr) {
    cbFormat = length;
    std::memset(pbFormat, 0, length);
    return pbFormat;
  }
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, length);
  ResetFormatBuffer();
  pbFormat = block;
  cbFormat = length;
  return block;
}

void CMediaType::ResetFormatBuffer() {
  if (pbFormat != nullptr) CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}

void CMediaType::InitMediaType() {
  FreeMediaType(*this);
  static_cast<AM_MEDIA_TYPE&>(*this) = AM_MEDIA_TYPE();
  lSampleSize = 1;
  bFixedSizeSamples = TRUE;
}

bool CMediaType::IsPartiallySpecified() const {
  return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}

bool CMediaType::MatchesPartial(const CMediaType* partial) const {
  if (partial->majortype != GUID_NULL && partial->majortype != majortype) return false;
  if (partial->subtype != GUID_NULL && partial->subtype != subtype) return false;
  if (partial->formattype != GUID_NULL) {
    if (partial->formattype != formattype || partial->cbFormat != cbFormat) return false;
    if (cbFormat != 0 && std::memcmp(pbFormat, partial->pbFormat, cbFormat) != 0) return false;
  }
  return true;
}

namespace media {

std::string DescribeMediaType(const AM_MEDIA_TYPE& mt) {
  return com::FormatGuid(mt.majortype) + "/" + com::FormatGuid(mt.subtype) + "/" +
         com::FormatGuid(mt.formattype) + " (" + std::to_string(mt.cbFormat) + ")";
}

}  // namespace media
