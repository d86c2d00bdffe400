#pragma once
// Open, save and colour dialogs of our own: a form with the folder's sub-folders and matching
// files, a file name field and the filter's types; a grid of basic colours. Execute runs the
// dialog modally and returns true when the user accepted.
#include <string>
#include <vector>

#include "platform/vcl/forms.h"

namespace vcl {

enum TOpenOption : unsigned {
  ofReadOnly = 1,
  ofOverwritePrompt = 2,
  ofHideReadOnly = 4,
  ofNoChangeDir = 8,
  ofAllowMultiSelect = 16,
  ofPathMustExist = 32,
  ofFileMustExist = 64,
  ofCreatePrompt = 128,
  ofNoReadOnlyReturn = 256,
  ofEnableSizing = 512
};
using TOpenOptions = unsigned;

class TOpenDialog : public rtl::TComponent {
 public:
  explicit TOpenDialog(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& v) { fileName_ = v; }
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& v) { filter_ = v; }
  // 1-based, as the original.
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int v) { filterIndex_ = v; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& v) { initialDir_ = v; }
  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& v) { defaultExt_ = v; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions v) { options_ = v; }
  virtual bool Execute();

 protected:
  virtual bool IsSave() const { return false; }

 private:
  std::string fileName_, filter_, initialDir_, defaultExt_, title_;
  int filterIndex_ = 1;
  TOpenOptions options_ = ofHideReadOnly;
};

class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(rtl::TComponent* AOwner) : TOpenDialog(AOwner) {}

 protected:
  bool IsSave() const override { return true; }
};

class TColorDialog : public rtl::TComponent {
 public:
  explicit TColorDialog(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  bool Execute();

 private:
  TColor color_ = gdi::clBlack;
};

// The 48 basic colours the colour dialog offers.
const std::vector<TColor>& BasicColors();

}  // namespace vcl
