#include "platform/vcl/filedialogs.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/vcl/application.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/filefilter.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/stdctrls.h"

namespace vcl {

namespace fs = std::filesystem;

namespace {

class TFileForm : public TForm {
 public:
  TFileForm(TOpenDialog* dlg, bool save) : TForm(Application), dlg_(dlg), save_(save) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetCaption(!dlg->Title().empty() ? dlg->Title() : save ? "Save As" : "Open");
    SetClientWidth(420);
    SetClientHeight(300);
    filters_ = ParseFilter(dlg->Filter());
    if (filters_.empty()) filters_.push_back(TFilterEntry{"All files", {"*"}});

    std::error_code ec;
    fs::path start = dlg->FileName().empty() ? fs::path() : fs::path(dlg->FileName()).parent_path();
    if (start.empty() || !fs::is_directory(start, ec)) start = dlg->InitialDir();
    if (start.empty() || !fs::is_directory(start, ec)) start = fs::current_path(ec);
    dir_ = fs::absolute(start, ec).lexically_normal();

    folder_ = new TLabel(this);
    folder_->SetParent(this);
    folder_->SetBounds(8, 8, 404, 16);
    folder_->SetAutoSize(false);

    list_ = new TListBox(this);
    list_->SetName("FileList");
    list_->SetParent(this);
    list_->SetBounds(8, 28, 404, 180);
    list_->OnClick = rtl::MakeEvent(this, &TFileForm::ListClick);
    list_->OnDblClick = rtl::MakeEvent(this, &TFileForm::ListDblClick);

    auto* nameLabel = new TLabel(this);
    nameLabel->SetParent(this);
    nameLabel->SetCaption("File &name:");
    nameLabel->SetBounds(8, 220, 80, 16);
    name_ = new TEdit(this);
    name_->SetName("FileNameEdit");
    name_->SetParent(this);
    name_->SetBounds(96, 216, 228, 21);
    nameLabel->SetFocusControl(name_);
    std::string fn = dlg->FileName();
    name_->SetText(fn.empty() ? std::string() : fs::path(fn).filename().string());

    auto* typeLabel = new TLabel(this);
    typeLabel->SetParent(this);
    typeLabel->SetCaption("Files of &type:");
    typeLabel->SetBounds(8, 250, 84, 16);
    types_ = new TComboBox(this);
    types_->SetName("FilterCombo");
    types_->SetParent(this);
    types_->SetStyle(csDropDownList);
    types_->SetBounds(96, 246, 228, 21);
    typeLabel->SetFocusControl(types_);
    for (auto& f : filters_) types_->Items()->Add(f.Description);
    types_->SetItemIndex(
        std::clamp(dlg->FilterIndex() - 1, 0, static_cast<int>(filters_.size()) - 1));
    types_->OnChange = rtl::MakeEvent(this, &TFileForm::TypeChange);

    auto* ok = new TButton(this);
    ok->SetName("OKButton");
    ok->SetParent(this);
    ok->SetCaption(save ? "&Save" : "&Open");
    ok->SetBounds(336, 214, 75, 25);
    ok->SetDefault(true);
    ok->OnClick = rtl::MakeEvent(this, &TFileForm::OkClick);
    auto* cancel = new TButton(this);
    cancel->SetName("CancelButton");
    cancel->SetParent(this);
    cancel->SetCaption("Cancel");
    cancel->SetBounds(336, 244, 75, 25);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    SetActiveControl(name_);
    Fill();
    AfterConstruction();
  }

  std::string result;
  int filterIndex = 1;

  // Accepts a typed name as the OK button does (the responder's answers come through here).
  void Accept(const std::string& typed) {
    name_->SetText(typed);
    OkClick(this);
  }

 private:
  void Fill() {
    folder_->SetCaption(dir_.string());
    entries_.clear();
    list_->Items()->Clear();
    std::vector<std::string> dirs, files;
    std::error_code ec;
    for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
      std::string n = it->path().filename().string();
      if (it->is_directory(ec))
        dirs.push_back(n);
      else if (Matches(n))
        files.push_back(n);
    }
    std::sort(dirs.begin(), dirs.end());
    std::sort(files.begin(), files.end());
    if (dir_.has_parent_path() && dir_ != dir_.root_path()) {
      entries_.push_back({"..", true});
      list_->Items()->Add("[..]");
    }
    for (auto& d : dirs) {
      entries_.push_back({d, true});
      list_->Items()->Add("[" + d + "]");
    }
    for (auto& f : files) {
      entries_.push_back({f, false});
      list_->Items()->Add(f);
    }
  }
  bool Matches(const std::string& name) const {
    int i = std::max(types_ ? types_->ItemIndex() : 0, 0);
    for (auto& m : filters_[static_cast<size_t>(i)].Masks)
      if (MatchesMask(name, m)) return true;
    return false;
  }
  void Enter(const std::string& sub) {
    dir_ = (sub == ".." ? dir_.parent_path() : dir_ / sub).lexically_normal();
    Fill();
  }
  void ListClick(rtl::TObject*) {
    int i = list_->ItemIndex();
    if (i >= 0 && !entries_[static_cast<size_t>(i)].second)
      name_->SetText(entries_[static_cast<size_t>(i)].first);
  }
  void ListDblClick(rtl::TObject*) {
    int i = list_->ItemIndex();
    if (i < 0) return;
    if (entries_[static_cast<size_t>(i)].second)
      Enter(entries_[static_cast<size_t>(i)].first);
    else
      OkClick(this);
  }
  void TypeChange(rtl::TObject*) { Fill(); }
  void OkClick(rtl::TObject*) {
    std::string typed = name_->Text();
    if (typed.empty()) return;
    std::error_code ec;
    fs::path p = fs::path(typed).is_absolute() ? fs::path(typed) : dir_ / typed;
    if (fs::is_directory(p, ec)) {
      dir_ = p.lexically_normal();
      name_->SetText("");
      Fill();
      return;
    }
    if (typed.find_first_of("*?") != std::string::npos) {
      filters_[static_cast<size_t>(std::max(types_->ItemIndex(), 0))].Masks = {typed};
      name_->SetText("");
      Fill();
      return;
    }
    if (!p.has_extension() && !dlg_->DefaultExt().empty()) {
      std::string ext = dlg_->DefaultExt();
      if (ext.front() != '.') ext = "." + ext;
      p += ext;
    }
    p = p.lexically_normal();
    if (!save_ && (dlg_->Options() & ofFileMustExist) && !fs::exists(p, ec)) {
      ShowMessageBox(p.filename().string() +
                         "\nFile not found.\nPlease verify the correct file name was given.",
                     Caption(), MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if ((dlg_->Options() & ofPathMustExist) && !fs::is_directory(p.parent_path(), ec)) {
      ShowMessageBox(p.parent_path().string() + "\nPath does not exist.", Caption(),
                     MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if (save_ && (dlg_->Options() & ofOverwritePrompt) && fs::exists(p, ec)) {
      if (ShowMessageBox(p.filename().string() + " already exists.\nDo you want to replace it?",
                         Caption(), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    }
    result = p.string();
    filterIndex = std::max(types_->ItemIndex(), 0) + 1;
    SetModalResult(mrOk);
  }

  TOpenDialog* dlg_;
  bool save_;
  fs::path dir_;
  std::vector<TFilterEntry> filters_;
  std::vector<std::pair<std::string, bool>> entries_;
  TLabel* folder_ = nullptr;
  TListBox* list_ = nullptr;
  TEdit* name_ = nullptr;
  TComboBox* types_ = nullptr;
};

// The colour grid: eight columns of basic colours; a click or the arrows choose one.
class TColorGrid : public TCustomControl {
 public:
  explicit TColorGrid(rtl::TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(8, 8, 8 * 24 + 2, 6 * 20 + 2);
  }
  int selected = 0;

 protected:
  void Paint() override {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(ClientRect());
    const auto& colors = BasicColors();
    for (int i = 0; i < static_cast<int>(colors.size()); ++i) {
      TRect r = Cell(i);
      c->Pen()->SetColor(i == selected ? clBlack : clBtnShadow);
      c->Pen()->SetWidth(i == selected ? 2 : 1);
      c->Brush()->SetColor(colors[static_cast<size_t>(i)]);
      c->Rectangle(r);
    }
    c->Pen()->SetWidth(1);
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    TCustomControl::MouseDown(b, s, x, y);
    int i = (y - 1) / 20 * 8 + (x - 1) / 24;
    if (x >= 1 && y >= 1 && i >= 0 && i < static_cast<int>(BasicColors().size())) {
      selected = i;
      Invalidate();
    }
  }
  bool WantsKey(unsigned short key, TShiftState) const override {
    return key == win::VK_LEFT || key == win::VK_RIGHT || key == win::VK_UP || key == win::VK_DOWN;
  }
  void KeyDown(unsigned short& key, TShiftState shift) override {
    TCustomControl::KeyDown(key, shift);
    int n = static_cast<int>(BasicColors().size());
    int d = key == win::VK_LEFT    ? -1
            : key == win::VK_RIGHT ? 1
            : key == win::VK_UP    ? -8
            : key == win::VK_DOWN  ? 8
                                   : 0;
    if (!d) return;
    selected = std::clamp(selected + d, 0, n - 1);
    key = 0;
    Invalidate();
  }

 private:
  TRect Cell(int i) const {
    int x = 1 + (i % 8) * 24, y = 1 + (i / 8) * 20;
    return TRect{x + 2, y + 2, x + 22, y + 18};
  }
};

class TColorForm : public TForm {
 public:
  explicit TColorForm(TColor initial) : TForm(Application) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetCaption("Color");
    SetClientWidth(8 * 24 + 18);
    SetClientHeight(6 * 20 + 52);
    grid = new TColorGrid(this);
    grid->SetParent(this);
    const auto& colors = BasicColors();
    auto it = std::find(colors.begin(), colors.end(), initial);
    grid->selected = it == colors.end() ? 0 : static_cast<int>(it - colors.begin());
    auto* ok = new TButton(this);
    ok->SetParent(this);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    ok->SetBounds(ClientWidth() - 166, ClientHeight() - 33, 75, 25);
    auto* cancel = new TButton(this);
    cancel->SetParent(this);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    cancel->SetBounds(ClientWidth() - 83, ClientHeight() - 33, 75, 25);
    SetActiveControl(grid);
    AfterConstruction();
  }
  TColorGrid* grid;
};

}  // namespace

bool TOpenDialog::Execute() {
  auto form = std::make_unique<TFileForm>(this, IsSave());
  TFileForm* f = form.get();
  int r = RunDialog(f, TDialogRequest{IsSave() ? "Save" : "Open", f->Caption(), filter_, options_},
                    [f](const TDialogAnswer& a) {
                      if (a.Result == mrOk || a.Result == IDOK)
                        f->Accept(a.FileName);
                      else
                        f->SetModalResult(mrCancel);
                    });
  if (r != mrOk) return false;
  fileName_ = f->result;
  filterIndex_ = f->filterIndex;
  return true;
}

bool TColorDialog::Execute() {
  auto form = std::make_unique<TColorForm>(color_);
  TColorForm* f = form.get();
  TColor picked = color_;
  bool scripted = false;
  int r = RunDialog(f, TDialogRequest{"Color", f->Caption(), "", 0},
                    [f, &picked, &scripted](const TDialogAnswer& a) {
                      picked = a.Color;
                      scripted = true;
                      f->SetModalResult(a.Result == IDOK ? mrOk : a.Result);
                    });
  if (r != mrOk) return false;
  color_ = scripted ? picked : BasicColors()[static_cast<size_t>(f->grid->selected)];
  return true;
}

const std::vector<TColor>& BasicColors() {
  static const std::vector<TColor> colors = {
      0x8080FF, 0x80FFFF, 0x80FF80, 0x80FF00, 0xFFFF80, 0xFF8000, 0xC080FF, 0xFF80FF,
      0x0000FF, 0x00FFFF, 0x00FF80, 0x40FF00, 0xFFFF00, 0xC08000, 0xC08080, 0xFF00FF,
      0x404080, 0x4080FF, 0x00FF00, 0x808000, 0x804000, 0xFF8080, 0x400080, 0x8000FF,
      0x000080, 0x0080FF, 0x008000, 0x408000, 0xFF0000, 0xA00000, 0x800080, 0xFF0080,
      0x000040, 0x004080, 0x004000, 0x404000, 0x800000, 0x400000, 0x400040, 0x800040,
      0x000000, 0x008080, 0x408080, 0x808080, 0x808040, 0xC0C0C0, 0x804080, 0xFFFFFF};
  return colors;
}

}  // namespace vcl
