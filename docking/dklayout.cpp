// The layout walk over the owner's components and its INI and registry back ends.
#include "docking/dklayout.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "docking/dkcommon.h"
#include "docking/dkdock.h"
#include "docking/dkdock_internal.h"
#include "docking/dktoolbar.h"
#include "platform/rtl/sysutils.h"

namespace docking {
namespace {

// Rows are ranked by the dock, so any order survives; the bound only keeps the arithmetic sane.
constexpr int kMaxRow = 1 << 16;
// Screen coordinates beyond this are certainly off every monitor, and still far from overflow.
constexpr int kMaxCoord = 1 << 20;

TDKCustomDockableWindow* AsWindow(rtl::TComponent* c) {
  auto* w = dynamic_cast<TDKCustomDockableWindow*>(c);
  return w && !w->Name().empty() ? w : nullptr;
}

TDKDock* FindDock(rtl::TComponent* owner, std::string_view name) {
  if (name.empty()) return nullptr;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (auto* d = dynamic_cast<TDKDock*>(owner->Components(i)); d && rtl::SameText(d->Name(), name))
      return d;
  return nullptr;
}

struct Reader {
  rtl::TComponent* owner;
  TDKReadPositionData data;
  int Int(const TDKCustomDockableWindow* w, std::string_view key, int def) const {
    return data.ReadIntProc(w->Name(), key, def, data.ExtraData);
  }
  std::string Str(const TDKCustomDockableWindow* w, std::string_view key) const {
    return data.ReadStringProc(w->Name(), key, "", data.ExtraData);
  }
};

// A stored value, or the current one when the stored one is out of [lo, hi] by a hand edit: the
// current value is the designed place until something else was applied.
int Checked(int stored, int current, int lo, int hi) {
  return stored == current ? current : std::clamp(stored, lo, std::max(lo, hi));
}

void Apply(TDKCustomDockableWindow* w, TDKDock* dock, const Reader& r) {
  TDKDock* extentOf = dock ? dock : w->CurrentDock();
  int extent = kMaxCoord;
  if (extentOf)
    extent = extentOf->Position() == dpTop || extentOf->Position() == dpBottom ? extentOf->Width()
                                                                               : extentOf->Height();
  w->SetDockRow(Checked(r.Int(w, "DockRow", w->DockRow()), w->DockRow(), 0, kMaxRow));
  w->SetDockPos(Checked(r.Int(w, "DockPos", w->DockPos()), w->DockPos(), 0, extent));
  const POINT p{std::clamp(r.Int(w, "FloatLeft", 0), -kMaxCoord, kMaxCoord),
                std::clamp(r.Int(w, "FloatTop", 0), -kMaxCoord, kMaxCoord)};
  w->ReadPositionData(r.data);
  w->SetFloatingPosition(p);
  if (dock) {
    w->SetParent(dock);
  } else {
    w->SetFloating(true);
    w->MoveOnScreen(true);
    // Overlapping the work area by its border is not enough: the caption must be in reach.
    if (auto* frame = w->FloatingWindowParent()) {
      const RECT f = frame->BoundsRect();
      const RECT k = internal::ReachableFrame(*w, f, GetRectOfMonitorContainingRect(f, true));
      if (k.left != f.left || k.top != f.top) w->SetFloatingPosition(POINT{k.left, k.top});
    }
    if (w->UseLastDock())
      if (TDKDock* last = FindDock(r.owner, r.Str(w, "LastDock"))) w->SetLastDock(last);
  }
  w->Arrange();
  w->DoneReadingPositionData(r.data);
}

void LoadWindow(TDKCustomDockableWindow* w, const Reader& r) {
  if (r.Int(w, "Rev", 0) != DKLayoutRev) return;
  const bool visible = r.Int(w, "Visible", w->Visible() ? 1 : 0) != 0;
  // A toolbar without a close button holds the buttons that show everything else: nothing in a
  // file may hide it, since nothing could show it again.
  auto* bar = dynamic_cast<TDKCustomToolbar*>(w);
  if (visible || !bar || bar->CloseButton()) w->SetVisible(visible);
  const std::string to = r.Str(w, "DockedTo");
  if (to.empty()) return;
  if (to == "+") {
    // A window that belongs to no form has no frame to float in: it stays as it is rather than
    // end the load of the windows after it.
    if (w->DockMode() == dmCanFloat && DKGetToolWindowParentForm(w)) Apply(w, nullptr, r);
    return;
  }
  TDKDock* dock = FindDock(r.owner, to);
  if (!dock || !dock->AllowDrag() || !(w->DockableTo() & (1u << dock->Position()))) return;
  if (w->DockMode() == dmCannotFloatOrChangeDocks && w->CurrentDock() && w->CurrentDock() != dock)
    return;
  Apply(w, dock, r);
}

}  // namespace

void DKCustomLoadPositions(rtl::TComponent* OwnerComponent, TDKPositionReadIntProc ReadIntProc,
                           TDKPositionReadStringProc ReadStringProc, void* ExtraData) {
  std::vector<TDKDock*> docks;
  for (int i = 0; i < OwnerComponent->ComponentCount(); ++i)
    if (auto* d = dynamic_cast<TDKDock*>(OwnerComponent->Components(i))) {
      d->BeginUpdate();
      docks.push_back(d);
    }
  struct Release {
    std::vector<TDKDock*>& docks;
    ~Release() {
      for (auto it = docks.rbegin(); it != docks.rend(); ++it) (*it)->EndUpdate();
    }
  } release{docks};
  const Reader r{OwnerComponent, {ReadIntProc, ReadStringProc, ExtraData}};
  for (int i = 0; i < OwnerComponent->ComponentCount(); ++i)
    if (auto* w = AsWindow(OwnerComponent->Components(i))) LoadWindow(w, r);
}

void DKCustomSavePositions(rtl::TComponent* OwnerComponent, TDKPositionWriteIntProc WriteIntProc,
                           TDKPositionWriteStringProc WriteStringProc, void* ExtraData) {
  for (int i = 0; i < OwnerComponent->ComponentCount(); ++i) {
    auto* w = AsWindow(OwnerComponent->Components(i));
    if (!w) continue;
    std::string to;
    if (w->Floating()) {
      to = "+";
    } else if (!w->Docked() || !w->CurrentDock()) {
      continue;
    } else if (w->CurrentDock()->AllowDrag()) {
      to = w->CurrentDock()->Name();
      if (to.empty())
        throw rtl::Exception(
            "Cannot save dockable window's position because DockedTo's Name property not set");
    }
    const std::string& n = w->Name();
    WriteIntProc(n, "Rev", DKLayoutRev, ExtraData);
    WriteIntProc(n, "Visible", w->Visible() ? 1 : 0, ExtraData);
    WriteStringProc(n, "DockedTo", to, ExtraData);
    WriteStringProc(n, "LastDock", w->LastDock() ? w->LastDock()->Name() : "", ExtraData);
    WriteIntProc(n, "DockRow", w->DockRow(), ExtraData);
    WriteIntProc(n, "DockPos", w->DockPos(), ExtraData);
    WriteIntProc(n, "FloatLeft", w->FloatingPosition().x, ExtraData);
    WriteIntProc(n, "FloatTop", w->FloatingPosition().y, ExtraData);
    w->WritePositionData({WriteIntProc, WriteStringProc, ExtraData});
  }
}

// ------------------------------------------------------------------ INI form

namespace {

struct TIniReadWriteData {
  rtl::TCustomIniFile* IniFile;
  std::string SectionNamePrefix;
  std::string Section(const std::string& name) const { return SectionNamePrefix + name; }
};

TIniReadWriteData& Ini(void* d) {
  return *static_cast<TIniReadWriteData*>(d);
}

int IniReadInt(const std::string& n, std::string_view k, int def, void* d) {
  return Ini(d).IniFile->ReadInteger(Ini(d).Section(n), k, def);
}
std::string IniReadString(const std::string& n, std::string_view k, std::string_view def, void* d) {
  return Ini(d).IniFile->ReadString(Ini(d).Section(n), k, def);
}
void IniWriteInt(const std::string& n, std::string_view k, int v, void* d) {
  Ini(d).IniFile->WriteInteger(Ini(d).Section(n), k, v);
}
void IniWriteString(const std::string& n, std::string_view k, std::string_view v, void* d) {
  Ini(d).IniFile->WriteString(Ini(d).Section(n), k, v);
}

}  // namespace

void DKIniLoadPositions(rtl::TComponent* OwnerComponent, rtl::TCustomIniFile* IniFile,
                        std::string_view SectionNamePrefix) {
  TIniReadWriteData data{IniFile, std::string(SectionNamePrefix)};
  DKCustomLoadPositions(OwnerComponent, IniReadInt, IniReadString, &data);
}

void DKIniSavePositions(rtl::TComponent* OwnerComponent, rtl::TCustomIniFile* IniFile,
                        std::string_view SectionNamePrefix) {
  TIniReadWriteData data{IniFile, std::string(SectionNamePrefix)};
  DKCustomSavePositions(OwnerComponent, IniWriteInt, IniWriteString, &data);
}

void DKIniLoadPositions(rtl::TComponent* OwnerComponent, const std::string& FileName,
                        std::string_view SectionNamePrefix) {
  rtl::TIniFile ini(FileName);
  DKIniLoadPositions(OwnerComponent, &ini, SectionNamePrefix);
}

void DKIniSavePositions(rtl::TComponent* OwnerComponent, const std::string& FileName,
                        std::string_view SectionNamePrefix) {
  // Every key of the walk lands in the file in one replace, merged into the file as it then is.
  rtl::TIniWriter ini(FileName);
  try {
    DKIniSavePositions(OwnerComponent, &ini, SectionNamePrefix);
  } catch (...) {
    ini.UpdateFile();  // the sections written before the failure stay
    throw;
  }
  ini.UpdateFile();
}

// ------------------------------------------------------------------ registry form

namespace {

// The adapter's sections are the windows' subkeys below the base key it has open.
rtl::TRegIniFile& Reg(void* d) {
  return *static_cast<rtl::TRegIniFile*>(d);
}

int RegReadInt(const std::string& n, std::string_view k, int def, void* d) {
  return Reg(d).ReadInteger(n, k, def);
}
std::string RegReadString(const std::string& n, std::string_view k, std::string_view def, void* d) {
  return Reg(d).ReadString(n, k, def);
}
void RegWriteInt(const std::string& n, std::string_view k, int v, void* d) {
  Reg(d).WriteInteger(n, k, v);
}
void RegWriteString(const std::string& n, std::string_view k, std::string_view v, void* d) {
  Reg(d).WriteString(n, k, v);
}

}  // namespace

void DKRegLoadPositions(rtl::TComponent* OwnerComponent, rtl::HKEY RootKey,
                        const std::string& BaseRegistryKey) {
  rtl::TRegIniFile reg({}, true);
  reg.SetRootKey(RootKey);
  if (!reg.OpenKeyReadOnly("\\" + BaseRegistryKey)) return;
  DKCustomLoadPositions(OwnerComponent, RegReadInt, RegReadString, &reg);
}

void DKRegSavePositions(rtl::TComponent* OwnerComponent, rtl::HKEY RootKey,
                        const std::string& BaseRegistryKey) {
  rtl::TRegIniFile reg;
  reg.SetRootKey(RootKey);
  if (!reg.CreateKey("\\" + BaseRegistryKey))
    throw rtl::ERegistryException("Failed to create key " + BaseRegistryKey);
  if (!reg.OpenKey("\\" + BaseRegistryKey, true)) return;
  DKCustomSavePositions(OwnerComponent, RegWriteInt, RegWriteString, &reg);
}

}  // namespace docking
