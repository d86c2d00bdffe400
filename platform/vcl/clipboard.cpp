#include "platform/vcl/clipboard.h"

namespace vcl {

namespace {
struct Store {
  std::string text;
  std::function<std::string()> get;
  std::function<void(const std::string&)> set;
};
Store& TheStore() {
  static Store s;
  return s;
}
}  // namespace

std::string TClipboard::AsText() const {
  Store& s = TheStore();
  return s.get ? s.get() : s.text;
}

void TClipboard::SetAsText(const std::string& v) {
  Store& s = TheStore();
  if (s.set)
    s.set(v);
  else
    s.text = v;
}

TClipboard* Clipboard() {
  static TClipboard c;
  return &c;
}

void SetClipboardBackend(std::function<std::string()> get,
                         std::function<void(const std::string&)> set) {
  TheStore().get = std::move(get);
  TheStore().set = std::move(set);
}

}  // namespace vcl
