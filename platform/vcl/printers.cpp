// The process's printer object.
#include "platform/vcl/printers.h"

namespace vcl {

TPrinter* Printer() {
  static TPrinter printer;
  return &printer;
}

}  // namespace vcl
