// IEnumPIDMap over a copy of an output pin's PID map, taken when the
// enumerator was made (later map changes do not show in it).
#pragma once

#include <vector>

#include "demux/filter/DemuxInterfaces.h"

namespace demux {

class CPidMapEnumerator : public CUnknown, public IEnumPIDMap {
 public:
  explicit CPidMapEnumerator(std::vector<PID_MAP> maps, std::size_t position = 0);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT Next(ULONG count, PID_MAP* maps, ULONG* received) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumPIDMap** clone) override;

 private:
  std::vector<PID_MAP> maps_;
  std::size_t position_;
};

}  // namespace demux
