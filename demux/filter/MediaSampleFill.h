// Copies one sample of the demultiplexer engine into a media sample of an
// output pin's allocator.
//
//   data                  -> buffer and actual length
//   kSampleTimeValid      -> start time, and a stop time one unit later (the
//                            engine knows no durations; receivers schedule by
//                            the start and read the stop only as "after it")
//   kSampleSyncPoint      -> sync point
//   kSampleDiscontinuity  -> discontinuity
//   pid                   -> low 13 bits of the type-specific flags
//                            (IMediaSample2), for every kind of content
//   tuneMark              -> upper 16 bits of the type-specific flags
//                            (common/TuneMark.h)
//
// Not set: preroll (always clear) and media times.
#pragma once

#include "demux/DemuxTypes.h"
#include "platform/media/Interfaces.h"

namespace demux {

// VFW_E_BUFFER_OVERFLOW, with the sample unchanged, when the data does not fit.
HRESULT FillMediaSample(const Sample& sample, IMediaSample* media, std::uint32_t tuneMark = 0);

}  // namespace demux
