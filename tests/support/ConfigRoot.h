// Points the registry and profile stores at an empty folder of the test's own
// for the object's life, so tests that register classes, devices or settings
// never meet the user's configuration or each other's.
#pragma once

#include <filesystem>
#include <string_view>

#include "tests/support/TempFolder.h"

namespace testsupport {

class ScopedConfigRoot {
 public:
  explicit ScopedConfigRoot(std::string_view prefix = "corvane-config");
  ~ScopedConfigRoot();

  // The configuration folder (inside the scratch folder, so folders made
  // beside it, "<root>-other", are removed with it too).
  const std::filesystem::path& Path() const { return root_; }

 private:
  TempFolder folder_;
  std::filesystem::path root_;
};

}  // namespace testsupport
