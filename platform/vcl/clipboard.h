#pragma once
// The clipboard's text. Held in the process; a screen backend that has a system clipboard (the
// SDL one) can take it over with SetClipboardBackend.
#include <functional>
#include <string>

namespace vcl {

class TClipboard {
 public:
  std::string AsText() const;
  void SetAsText(const std::string& v);
  bool HasText() const { return !AsText().empty(); }
  void Clear() { SetAsText(""); }
};

// The program's clipboard.
TClipboard* Clipboard();

// Routes the clipboard through a backend (both null: back to the in-process store).
void SetClipboardBackend(std::function<std::string()> get,
                         std::function<void(const std::string&)> set);

}  // namespace vcl
