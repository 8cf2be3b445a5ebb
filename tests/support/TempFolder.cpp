#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <stdexcept>

#include "tests/support/Bytes.h"

namespace testsupport {

namespace {

// "Suite.Name" of the running test (parameterised names lose their slashes),
// empty outside a test.
std::string TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (info == nullptr) return {};
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
}

}  // namespace

TempFolder::TempFolder(std::string_view prefix) {
  std::string name(prefix);
  if (const std::string test = TestName(); !test.empty()) name += "-" + test;
  std::string pattern = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
  path_ = pattern;
}

std::filesystem::path BuildCacheFolder(std::string_view name) {
  return std::filesystem::path(CORVANE_TEST_CACHE) / name;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempFolder::Write(const std::string& name,
                                        std::span<const std::uint8_t> bytes) const {
  const auto file = path_ / name;
  WriteBytes(file, bytes);
  return file;
}

std::filesystem::path TempFolder::WriteText(const std::string& name, std::string_view text) const {
  const auto file = path_ / name;
  WriteBytes(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  return file;
}

}  // namespace testsupport
