#include "platform/serial/names.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace serial {
namespace {

// Entries of dir named prefix<number>, in numeric order.
std::vector<std::string> Numbered(const std::string& dir, const std::string& prefix) {
  std::vector<std::pair<int, std::string>> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    int number = 0;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    auto [ptr, err] = std::from_chars(first, last, number);
    if (err != std::errc() || ptr != last) continue;
    found.emplace_back(number, entry.path().string());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (auto& f : found) paths.push_back(std::move(f.second));
  return paths;
}

// Built-in ports exist as device nodes whether or not a UART is fitted; the kernel reports the
// UART type (0 = none) in sysfs. Without sysfs the node is taken as it is.
bool HasUart(const std::string& sysRoot, const std::string& devPath) {
  std::ifstream in(sysRoot + "/" + fs::path(devPath).filename().string() + "/type");
  if (!in) return true;
  int type = 0;
  in >> type;
  return type != 0;
}

}  // namespace

std::vector<std::string> EnumerateDevices(const std::string& devRoot, const std::string& sysRoot) {
  std::vector<std::string> devices;
  for (auto& path : Numbered(devRoot, "ttyS"))
    if (HasUart(sysRoot, path)) devices.push_back(path);
  for (const char* prefix : {"ttyUSB", "ttyACM"})
    for (auto& path : Numbered(devRoot, prefix)) devices.push_back(path);

  // by-id names are links to the nodes above; list only those that lead somewhere new.
  std::vector<std::string> byId;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(devRoot + "/serial/by-id", ec))
    byId.push_back(entry.path().string());
  std::sort(byId.begin(), byId.end());
  for (auto& link : byId) {
    std::error_code rc;
    const fs::path target = fs::canonical(link, rc);
    const bool known =
        !rc && std::any_of(devices.begin(), devices.end(), [&](const std::string& d) {
          std::error_code dc;
          return fs::equivalent(d, target, dc);
        });
    if (!known) devices.push_back(link);
  }
  return devices;
}

std::optional<int> ComNumber(const std::string& name) {
  std::string rest = name;
  if (rest.rfind("\\\\.\\", 0) == 0) rest.erase(0, 4);
  if (rest.size() < 4) return std::nullopt;
  for (int i = 0; i < 3; ++i)
    if (std::toupper(static_cast<unsigned char>(rest[i])) != "COM"[i]) return std::nullopt;
  int number = 0;
  const char* first = rest.data() + 3;
  const char* last = rest.data() + rest.size();
  auto [ptr, err] = std::from_chars(first, last, number);
  if (err != std::errc() || ptr != last || number < 1) return std::nullopt;
  return number;
}

std::optional<std::string> MapName(const std::string& name,
                                   const std::vector<std::string>& devices) {
  if (!name.empty() && name[0] == '/') return name;
  const std::optional<int> number = ComNumber(name);
  if (!number || static_cast<size_t>(*number) > devices.size()) return std::nullopt;
  return devices[static_cast<size_t>(*number) - 1];
}

std::optional<std::string> MapName(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  return MapName(name, ComDevices());
}

namespace {

std::mutex& GivenMutex() {
  static std::mutex m;
  return m;
}
std::optional<std::vector<std::string>>& Given() {
  static std::optional<std::vector<std::string>> given;
  return given;
}

}  // namespace

std::vector<std::string> ParseDeviceList(const std::string& text) {
  std::vector<std::string> paths;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(':', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) paths.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return paths;
}

std::vector<std::string> ComDevices() {
  {
    std::lock_guard lock(GivenMutex());
    if (Given()) return *Given();
  }
  if (const char* env = std::getenv("CORVATALEN_SERIAL_DEVICES"); env != nullptr && *env != '\0')
    return ParseDeviceList(env);
  return EnumerateDevices();
}

void SetComDevices(std::optional<std::vector<std::string>> devices) {
  std::lock_guard lock(GivenMutex());
  Given() = std::move(devices);
}

std::vector<std::string> ComNames(const std::vector<std::string>& devices) {
  std::vector<std::string> names;
  for (size_t i = 0; i < devices.size(); ++i) names.push_back("COM" + std::to_string(i + 1));
  return names;
}

}  // namespace serial
