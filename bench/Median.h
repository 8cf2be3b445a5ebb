// The median of a benchmark's samples (the mean of the middle two for an even
// count; 0 for none): what one typical run took, unmoved by a slow outlier.
#pragma once

#include <algorithm>
#include <vector>

namespace benchsupport {

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace benchsupport
