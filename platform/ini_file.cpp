// The profile-file rules are the same on both systems, so one reader serves both: the
// Windows backend would give the same answers through GetPrivateProfileStringA.
#include "platform/ini_file.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace platform {
namespace {

std::string Trim(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  return text.substr(first, last - first);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// The raw value of section/key, or false when the file, section or key is missing.
bool FindValue(const std::string& iniPath, const std::string& section, const std::string& key,
               std::string* value) {
  std::ifstream file(iniPath, std::ios::binary);
  if (!file) return false;
  std::string line;
  bool inSection = false;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string text = Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      std::size_t close = text.find(']');
      inSection = close != std::string::npos && SameName(Trim(text.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    std::size_t equals = text.find('=');
    if (equals == std::string::npos) continue;
    if (SameName(Trim(text.substr(0, equals)), key)) {
      *value = Unquote(Trim(text.substr(equals + 1)));
      return true;
    }
  }
  return false;
}

}  // namespace

std::string ReadIniString(const std::string& iniPath, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t capacity) {
  std::string value;
  if (!FindValue(iniPath, section, key, &value)) value = defaultValue;
  if (capacity == 0) return std::string();
  if (value.size() > capacity - 1) value.resize(capacity - 1);
  return value;
}

int ReadIniInt(const std::string& iniPath, const std::string& section, const std::string& key,
               int defaultValue) {
  std::string value;
  if (!FindValue(iniPath, section, key, &value)) return defaultValue;
  return static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
}

}  // namespace platform
