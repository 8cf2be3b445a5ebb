#include "platform/com/Registry.h"

#include <cstring>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/com/CaseLess.h"
#include "platform/com/ConfigFiles.h"

struct RegistryKey {
  int root;
  std::string path;  // '\\'-separated, no leading or trailing separator
  bool predefined;
};

namespace {

RegistryKey gRoots[3] = {{0, "", true}, {1, "", true}, {2, "", true}};
const char* const kRootFiles[3] = {"HKEY_CLASSES_ROOT.reg", "HKEY_CURRENT_USER.reg",
                                   "HKEY_LOCAL_MACHINE.reg"};
// Levels of keys below a root, as many as the registry this store stands in
// for allows.
constexpr std::size_t kMaxKeyDepth = 512;

struct Value {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
};

struct Node {
  std::map<std::string, Node, com::CaseLess> children;
  std::map<std::string, Value, com::CaseLess> values;
};

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = path.find('\\', start);
    const std::string_view part =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!part.empty()) parts.emplace_back(part);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

std::string JoinPath(const std::string& a, std::string_view b) {
  std::string joined = a;
  for (const std::string& part : SplitPath(b)) {
    if (!joined.empty()) joined += '\\';
    joined += part;
  }
  return joined;
}

std::string Hex(const std::uint8_t* data, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 15];
  }
  return out;
}

bool Unhex(std::string_view text, std::vector<std::uint8_t>* out) {
  if (text.size() % 2 != 0) return false;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  out->clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = digit(text[i]), lo = digit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<std::uint8_t>(hi << 4 | lo));
  }
  return true;
}

// The three roots, loaded from their files on first use, whenever the
// configuration folder changes, and whenever a root's file was rewritten by
// someone else (another process, or a loaded library with its own copy of this
// store): so a change is always made on top of the latest file and written
// straight back, and two writers never drop each other's keys.
class Store {
 public:
  std::mutex mutex;

  Node* Find(int root, const std::string& path) {
    Node* node = &Root(root);
    for (const std::string& part : SplitPath(path)) {
      auto it = node->children.find(part);
      if (it == node->children.end()) return nullptr;
      node = &it->second;
    }
    return node;
  }

  Node& Create(int root, const std::string& path) {
    Node* node = &Root(root);
    for (const std::string& part : SplitPath(path))
      node = &node->children[part];
    return *node;
  }

  Node& Root(int root) {
    const std::string folder = com::ConfigRoot() + "/registry";
    if (folder != folder_) {
      folder_ = folder;
      for (int i = 0; i < 3; ++i)
        Load(i);
    } else if (StampOf(root) != stamps_[root]) {
      Load(root);
    }
    return roots_[root];
  }

  void Save(int root) {
    std::ostringstream out;
    out << "Corvane registry 1\n";
    Write(out, roots_[root], "");
    if (!com::TheConfigFiles().Replace(FileOf(root), out.view())) return;
    stamps_[root] = StampOf(root);
  }

 private:
  std::string FileOf(int root) const { return folder_ + "/" + kRootFiles[root]; }

  com::FileStamp StampOf(int root) const { return com::TheConfigFiles().Stamp(FileOf(root)); }

  static std::string Escape(const std::string& name) {
    std::string out;
    for (char c : name) {
      if (c == '\\' || c == '"') out += '\\';
      if (c == '\n') {
        out += "\\n";
        continue;
      }
      out += c;
    }
    return out;
  }

  static void Write(std::ostringstream& out, const Node& node, const std::string& path) {
    out << '[' << path << "]\n";
    for (const auto& [name, value] : node.values) {
      out << '"' << Escape(name) << "\"=" << value.type << ':'
          << Hex(value.data.data(), value.data.size()) << '\n';
    }
    for (const auto& [name, child] : node.children) {
      Write(out, child, path.empty() ? name : path + "\\" + name);
    }
  }

  void Load(int root) {
    roots_[root] = Node();
    stamps_[root] = StampOf(root);
    std::istringstream in(com::TheConfigFiles().Read(FileOf(root)).value_or(std::string()));
    std::string line;
    Node* current = nullptr;
    while (std::getline(in, line)) {
      if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        const std::vector<std::string> parts = SplitPath(line.substr(1, line.size() - 2));
        // A key deeper than a registry allows comes only from a damaged file:
        // it is left out with its values, as saving and freeing a tree that
        // deep would recurse once per level.
        if (parts.size() > kMaxKeyDepth) {
          current = nullptr;
          continue;
        }
        Node* node = &roots_[root];
        for (const std::string& part : parts)
          node = &node->children[part];
        current = node;
      } else if (current != nullptr && !line.empty() && line.front() == '"') {
        std::string name;
        std::size_t i = 1;
        for (; i < line.size() && line[i] != '"'; ++i) {
          if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
            name += line[i] == 'n' ? '\n' : line[i];
          } else {
            name += line[i];
          }
        }
        if (i + 1 >= line.size() || line[i + 1] != '=') continue;
        const std::size_t colon = line.find(':', i + 2);
        if (colon == std::string::npos) continue;
        Value value;
        value.type = static_cast<DWORD>(std::strtoul(line.c_str() + i + 2, nullptr, 10));
        if (!Unhex(std::string_view(line).substr(colon + 1), &value.data)) continue;
        current->values[name] = std::move(value);
      }
    }
  }

  std::string folder_;
  Node roots_[3];
  com::FileStamp stamps_[3];
};

Store& TheStore() {
  static Store store;
  return store;
}

bool Valid(HKEY key) {
  return key != nullptr && key->root >= 0 && key->root < 3;
}

std::string ValueKey(LPCSTR name) {
  return name ? name : "";
}

}  // namespace

const HKEY HKEY_CLASSES_ROOT = &gRoots[0];
const HKEY HKEY_CURRENT_USER = &gRoots[1];
const HKEY HKEY_LOCAL_MACHINE = &gRoots[2];

LONG RegCreateKeyExA(HKEY parent, LPCSTR subKey, HKEY* key) {
  if (!Valid(parent) || key == nullptr) return ERROR_INVALID_HANDLE;
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  if (s.Find(parent->root, parent->path) == nullptr) return ERROR_FILE_NOT_FOUND;
  const std::string path = JoinPath(parent->path, subKey ? subKey : "");
  if (s.Find(parent->root, path) == nullptr) {
    s.Create(parent->root, path);
    s.Save(parent->root);
  }
  *key = new RegistryKey{parent->root, path, false};
  return ERROR_SUCCESS;
}

LONG RegOpenKeyExA(HKEY parent, LPCSTR subKey, HKEY* key) {
  if (!Valid(parent) || key == nullptr) return ERROR_INVALID_HANDLE;
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  const std::string path = JoinPath(parent->path, subKey ? subKey : "");
  if (s.Find(parent->root, path) == nullptr) return ERROR_FILE_NOT_FOUND;
  *key = new RegistryKey{parent->root, path, false};
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!Valid(key)) return ERROR_INVALID_HANDLE;
  if (!key->predefined) delete key;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD type, const void* data, DWORD size) {
  if (!Valid(key)) return ERROR_INVALID_HANDLE;
  if (data == nullptr && size != 0) return ERROR_INVALID_HANDLE;
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  Node* node = s.Find(key->root, key->path);
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  Value& v = node->values[ValueKey(valueName)];
  v.type = type;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  v.data.assign(bytes, bytes + size);
  s.Save(key->root);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* type, void* data, DWORD* size) {
  if (!Valid(key)) return ERROR_INVALID_HANDLE;
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  Node* node = s.Find(key->root, key->path);
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  auto it = node->values.find(ValueKey(valueName));
  if (it == node->values.end()) return ERROR_FILE_NOT_FOUND;
  const Value& v = it->second;
  if (type) *type = v.type;
  if (data == nullptr) {
    if (size) *size = static_cast<DWORD>(v.data.size());
    return ERROR_SUCCESS;
  }
  if (size == nullptr) return ERROR_INVALID_HANDLE;
  const DWORD capacity = *size;
  *size = static_cast<DWORD>(v.data.size());
  if (capacity < v.data.size()) return ERROR_MORE_DATA;
  if (!v.data.empty()) std::memcpy(data, v.data.data(), v.data.size());
  return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
  if (!Valid(key)) return ERROR_INVALID_HANDLE;
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  Node* node = s.Find(key->root, key->path);
  if (node == nullptr || node->values.erase(ValueKey(valueName)) == 0) {
    return ERROR_FILE_NOT_FOUND;
  }
  s.Save(key->root);
  return ERROR_SUCCESS;
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey) {
  if (!Valid(key)) return ERROR_INVALID_HANDLE;
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  const std::vector<std::string> parts = SplitPath(subKey ? subKey : "");
  if (parts.empty()) {
    Node* node = s.Find(key->root, key->path);
    if (node == nullptr) return ERROR_FILE_NOT_FOUND;
    *node = Node();
  } else {
    std::string parentPath = key->path;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
      parentPath = JoinPath(parentPath, parts[i]);
    Node* parent = s.Find(key->root, parentPath);
    if (parent == nullptr || parent->children.erase(parts.back()) == 0) {
      return ERROR_FILE_NOT_FOUND;
    }
  }
  s.Save(key->root);
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY key, DWORD index, std::string* name) {
  if (!Valid(key) || name == nullptr) return ERROR_INVALID_HANDLE;
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  Node* node = s.Find(key->root, key->path);
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  if (index >= node->children.size()) return ERROR_NO_MORE_ITEMS;
  *name = std::next(node->children.begin(), index)->first;
  return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, std::string* name) {
  if (!Valid(key) || name == nullptr) return ERROR_INVALID_HANDLE;
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  Node* node = s.Find(key->root, key->path);
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  if (index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
  *name = std::next(node->values.begin(), index)->first;
  return ERROR_SUCCESS;
}

namespace com {

bool RegReadString(HKEY key, const char* valueName, std::string* text) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, valueName, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ) return false;
  std::string buf(size, '\0');
  if (RegQueryValueExA(key, valueName, &type, buf.data(), &size) != ERROR_SUCCESS) return false;
  while (!buf.empty() && buf.back() == '\0')
    buf.pop_back();
  *text = buf;
  return true;
}

LONG RegWriteString(HKEY key, const char* valueName, const std::string& text) {
  return RegSetValueExA(key, valueName, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

}  // namespace com
