#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/com/Profile.h"
#include "platform/com/Registry.h"
#include "tests/support/ConfigRoot.h"

namespace {

class StoresTest : public ::testing::Test {
 protected:
  // Forces the stores to read their files again, as a new run would.
  void Reopen() {
    com::SetConfigRoot(root_.string() + "-elsewhere");
    RegistryKeyProbe();
    com::SetConfigRoot(root_.string());
  }
  static void RegistryKeyProbe() {
    HKEY k = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "x", &k);
    if (k) RegCloseKey(k);
  }
  testsupport::ScopedConfigRoot config_{"corvane-com"};
  const std::filesystem::path root_ = config_.Path();
};

TEST_F(StoresTest, RegistryValuesPersistAcrossRuns) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Corvane\\Engine", &key), ERROR_SUCCESS);
  const DWORD number = 0xA1B2C3D4;
  ASSERT_EQ(RegSetValueExA(key, "Number", REG_DWORD, &number, 4), ERROR_SUCCESS);
  ASSERT_EQ(com::RegWriteString(key, nullptr, "default \"quoted\" text"), ERROR_SUCCESS);
  const std::uint8_t blob[] = {0, 1, 0xFF, '\n', '"'};
  ASSERT_EQ(RegSetValueExA(key, "Odd \"name\"\n", REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  RegCloseKey(key);

  Reopen();
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\CORVANE\\engine", &key), ERROR_SUCCESS);
  DWORD type = 0, read = 0, size = 4;
  ASSERT_EQ(RegQueryValueExA(key, "number", &type, &read, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(read, number);
  std::string text;
  ASSERT_TRUE(com::RegReadString(key, "", &text));
  EXPECT_EQ(text, "default \"quoted\" text");
  std::uint8_t back[8] = {};
  size = sizeof back;
  ASSERT_EQ(RegQueryValueExA(key, "Odd \"name\"\n", &type, back, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  ASSERT_EQ(size, sizeof blob);
  EXPECT_EQ(0, std::memcmp(back, blob, sizeof blob));
  RegCloseKey(key);
}

TEST_F(StoresTest, RegistryKeysWrittenByAnotherWriterAreKeptAndSeen) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{Ours}", &key), ERROR_SUCCESS);
  ASSERT_EQ(com::RegWriteString(key, "Name", "ours"), ERROR_SUCCESS);
  RegCloseKey(key);
  // Another process (or a library with its own copy of the store) adds a key
  // to the file.
  {
    std::ofstream file(root_ / "registry" / "HKEY_CLASSES_ROOT.reg", std::ios::app);
    file << "[CLSID\\{Theirs}]\n\"Name\"=1:74686569727300\n";
  }
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{Theirs}", &key), ERROR_SUCCESS);
  std::string text;
  EXPECT_TRUE(com::RegReadString(key, "Name", &text));
  EXPECT_EQ(text, "theirs");
  RegCloseKey(key);
  // A later change of ours keeps their key.
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{Ours}", &key), ERROR_SUCCESS);
  ASSERT_EQ(com::RegWriteString(key, "Name", "ours again"), ERROR_SUCCESS);
  RegCloseKey(key);
  Reopen();
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{Theirs}", &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(StoresTest, ARegistryFileWithAKeyTooDeepLoadsWithoutItAndSavesAgain) {
  std::string deep = "a";
  for (int level = 1; level < 50'000; ++level)
    deep += "\\a";
  std::filesystem::create_directories(root_ / "registry");
  {
    std::ofstream file(root_ / "registry" / "HKEY_CURRENT_USER.reg");
    file << "Corvane registry 1\n[Kept]\n\"Name\"=1:6b65707400\n[" << deep
         << "]\n\"Lost\"=4:01000000\n";
  }
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Kept", &key), ERROR_SUCCESS);
  ASSERT_EQ(com::RegWriteString(key, "Other", "saved"), ERROR_SUCCESS);
  std::string text;
  EXPECT_TRUE(com::RegReadString(key, "Name", &text));
  EXPECT_EQ(text, "kept");
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "a", &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(StoresTest, RegistryMissingKeysSmallBuffersAndDeletion) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{none}", &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{A}\\InprocServer32", &key), ERROR_SUCCESS);
  ASSERT_EQ(com::RegWriteString(key, "ThreadingModel", "Both"), ERROR_SUCCESS);
  char small[2];
  DWORD size = sizeof small, type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "ThreadingModel", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);  // "Both" and its zero
  EXPECT_EQ(RegQueryValueExA(key, "Missing", &type, small, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  HKEY clsid = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{B}", &clsid), ERROR_SUCCESS);
  RegCloseKey(clsid);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", &clsid), ERROR_SUCCESS);
  std::string name;
  ASSERT_EQ(RegEnumKeyExA(clsid, 0, &name), ERROR_SUCCESS);
  EXPECT_EQ(name, "{A}");
  ASSERT_EQ(RegEnumKeyExA(clsid, 1, &name), ERROR_SUCCESS);
  EXPECT_EQ(name, "{B}");
  EXPECT_EQ(RegEnumKeyExA(clsid, 2, &name), ERROR_NO_MORE_ITEMS);
  ASSERT_EQ(RegDeleteTreeA(clsid, "{A}"), ERROR_SUCCESS);
  RegCloseKey(clsid);
  Reopen();
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{A}\\InprocServer32", &key),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{B}", &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(StoresTest, ProfileIntegersAndStrings) {
  EXPECT_EQ(GetProfileIntA("TextSource", "param1", 7), 7u);
  ASSERT_TRUE(WriteProfileStringA("TextSource", "param1", "-12"));
  ASSERT_TRUE(WriteProfileStringA("TextSource", "param2", "abc"));
  ASSERT_TRUE(WriteProfileStringA("Other", "param1", "99"));
  EXPECT_EQ(static_cast<int>(GetProfileIntA("textsource", "PARAM1", 0)), -12);
  EXPECT_EQ(GetProfileIntA("TextSource", "param2", 5), 5u);  // not a number: the default
  char buf[3];
  EXPECT_EQ(GetProfileStringA("TextSource", "param2", "", buf, sizeof buf), 2u);
  EXPECT_STREQ(buf, "ab");
  ASSERT_TRUE(WriteProfileStringA("TextSource", "param1", nullptr));
  EXPECT_EQ(GetProfileIntA("TextSource", "param1", 3), 3u);
  EXPECT_EQ(GetProfileIntA("Other", "param1", 0), 99u);
  ASSERT_TRUE(WriteProfileStringA("Other", nullptr, nullptr));
  EXPECT_EQ(GetProfileIntA("Other", "param1", 0), 0u);
}

TEST_F(StoresTest, ProfileValueReadsTheSameBeforeAndAfterTheFileIsRewritten) {
  std::filesystem::create_directories(root_);
  std::ofstream(root_ / "profile.ini", std::ios::binary) << "[a]\r\nk=v\r\r\n";
  char buf[8];
  ASSERT_EQ(GetProfileStringA("a", "k", "", buf, sizeof buf), 1u);
  ASSERT_TRUE(WriteProfileStringA("b", "other", "1"));
  EXPECT_EQ(GetProfileStringA("a", "k", "", buf, sizeof buf), 1u);
  EXPECT_STREQ(buf, "v");
}

}  // namespace
