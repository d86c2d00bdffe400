#pragma once
// The printer object: there is no print spooler here, so it is always idle; drawing code that
// yields to a print job asks it all the same.
namespace vcl {

class TPrinter {
 public:
  bool Printing() const { return false; }
  bool Aborted() const { return false; }
};

// The process's printer.
TPrinter* Printer();

}  // namespace vcl
