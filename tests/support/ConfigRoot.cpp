#include "tests/support/ConfigRoot.h"

#include "platform/com/Registry.h"

namespace testsupport {

ScopedConfigRoot::ScopedConfigRoot(std::string_view prefix)
    : folder_(prefix), root_(folder_.Path() / "config") {
  com::SetConfigRoot(root_.string());
}

ScopedConfigRoot::~ScopedConfigRoot() {
  com::SetConfigRoot("");
}

}  // namespace testsupport
