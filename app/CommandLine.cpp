#include "app/CommandLine.h"

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "platform/ui/KnownFolders.h"

namespace app {
namespace {

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

CommandLineOptions ParseCommandLine(std::span<const std::u16string> args, std::FILE* echo) {
  CommandLineOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string& arg = args[i];
    if (echo) std::fprintf(echo, "%d: %s\n", static_cast<int>(i), common::ToUtf8(arg).c_str());
    if (EqualsIgnoringCase(arg, u"-nolaunch")) {
      options.launch = false;
    } else if (EqualsIgnoringCase(arg, u"-settings")) {
      options.showSettings = true;
    } else if (EqualsIgnoringCase(arg, u"-log")) {
      options.log = true;
    } else if (EqualsIgnoringCase(arg, u"-instance") && i + 1 < args.size()) {
      std::u16string name = args[i + 1];
      if (name.size() > kMaxInstanceName) {
        std::size_t cut = kMaxInstanceName;
        // Never split a surrogate pair.
        if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) --cut;
        name.resize(cut);
      }
      options.instanceName = std::move(name);
    }
  }
  if (!IsPlainInstanceName(options.instanceName)) {
    options.refusedInstanceName = std::move(options.instanceName);
    options.instanceName.clear();
  }
  return options;
}

bool IsPlainInstanceName(std::u16string_view name) {
  if (name == u"." || name == u"..") return false;
  for (const char16_t c : name) {
    if (c == u'/' || c == u'\\' || c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
  }
  return true;
}

std::u16string WindowTitle(std::u16string_view instanceName) {
  std::u16string title(kProductName);
  if (!instanceName.empty()) {
    title += u" (";
    title += instanceName;
    title += u")";
  }
  return title;
}

std::filesystem::path DataFolderSubPath(std::u16string_view instanceName) {
  std::filesystem::path sub = common::ToUtf8(kProductName);
  if (instanceName.empty()) return sub;
  std::u16string folder(instanceName);
  for (char16_t& c : folder) {
    if (c == u'/') c = u'_';
  }
  if (folder == u"." || folder == u"..") folder.insert(folder.begin(), u'_');
  return sub / common::ToUtf8(folder);
}

std::filesystem::path FindDataFolder(std::u16string_view instanceName) {
  const ui::FolderResult folder = ui::DataFolder(DataFolderSubPath(instanceName));
  if (FAILED(folder.error)) {
    common::ErrorBox("Can not get data folder path. Error %s",
                     com::ResultName(folder.error).c_str());
    return {};
  }
  return folder.path;
}

}  // namespace app
