#include "capture/vcapdialogs.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/stdctrls.h"

namespace {

// A dialog form with OK and Cancel at the bottom right.
struct DialogForm {
  vcl::TForm form{nullptr};
  DialogForm(const std::string& caption, int width, int height) {
    form.SetCaption(caption);
    form.SetBounds(0, 0, width, height);
    form.SetPosition(vcl::poScreenCenter);
    auto* ok = New<vcl::TButton>(width - 176, height - 70, 75, 25);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(vcl::mrOk);
    auto* cancel = New<vcl::TButton>(width - 92, height - 70, 75, 25);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(vcl::mrCancel);
  }
  template <class T>
  T* New(int x, int y, int w, int h) {
    auto* c = new T(&form);
    c->SetParent(&form);
    c->SetBounds(x, y, w, h);
    return c;
  }
  vcl::TLabel* Label(int x, int y, int w, const std::string& text) {
    auto* l = New<vcl::TLabel>(x, y, w, 17);
    l->SetCaption(text);
    return l;
  }
  int Run(const std::function<void(const vcl::TDialogAnswer&)>& apply) {
    vcl::TDialogRequest request;
    request.Kind = "Form";
    request.Caption = form.Caption();
    return vcl::RunDialog(&form, request, [&](const vcl::TDialogAnswer& a) {
      apply(a);
      form.SetModalResult(a.Result);
    });
  }
};

std::string Mhz(uint64_t hz) {
  char s[32];
  std::snprintf(s, sizeof s, "%.2f", double(hz) / 1e6);
  return s;
}

}  // namespace

int ChooseFromList(const std::string& caption, const std::vector<std::string>& items, int current) {
  DialogForm d(caption, 280, 260);
  auto* list = d.New<vcl::TListBox>(8, 8, 256, 170);
  for (const std::string& s : items) list->Items()->Add(s);
  list->SetItemIndex(current);
  const int result = d.Run(
      [&](const vcl::TDialogAnswer& a) { list->SetItemIndex(list->Items()->IndexOf(a.FileName)); });
  return result == vcl::mrOk ? list->ItemIndex() : -1;
}

bool ShowControlsPage(const std::string& caption, capture::VideoDevice& device) {
  using capture::VideoControl;
  const std::vector<VideoControl> controls = device.Controls();
  DialogForm d(caption, 460, 60 + 34 * int(controls.size()) + 50);
  // Each row: how to read its value and how a scripted answer sets it.
  struct Row {
    const VideoControl* control;
    int initial;
    std::function<int()> value;
    std::function<void(const std::string&)> set;
  };
  std::vector<Row> rows;
  int y = 12;
  for (const VideoControl& c : controls) {
    int v = c.defaultValue;
    device.GetControl(c.id, v);
    d.Label(8, y + 4, 180, c.name);
    Row row{&c, v, nullptr, nullptr};
    if (c.type == VideoControl::Boolean) {
      auto* box = d.New<vcl::TCheckBox>(196, y + 2, 200, 20);
      box->SetChecked(v != 0);
      box->SetEnabled(!c.readOnly);
      row.value = [box] { return box->Checked() ? 1 : 0; };
      row.set = [box](const std::string& t) { box->SetChecked(rtl::StrToIntDef(t, 0) != 0); };
    } else if (c.type == VideoControl::Menu) {
      auto* combo = d.New<vcl::TComboBox>(196, y, 200, 22);
      combo->SetStyle(vcl::csDropDownList);
      for (const auto& [value, name] : c.menu) {
        combo->Items()->Add(name);
        if (value == v) combo->SetItemIndex(combo->Items()->Count() - 1);
      }
      combo->SetEnabled(!c.readOnly);
      row.value = [combo, &c, v] {
        const int i = combo->ItemIndex();
        return i >= 0 ? c.menu[size_t(i)].first : v;
      };
      row.set = [combo](const std::string& t) { combo->SetItemIndex(combo->Items()->IndexOf(t)); };
    } else {
      auto* bar = d.New<vcl::TTrackBar>(196, y, 200, 28);
      auto* shown = d.Label(402, y + 4, 46, rtl::IntToStr(v));
      bar->SetMin(c.minimum);
      bar->SetMax(c.maximum);
      bar->SetLineSize(c.step);
      bar->SetPageSize(std::max(c.step, (c.maximum - c.minimum) / 10));
      bar->SetFrequency(std::max(1, (c.maximum - c.minimum) / 10));
      bar->SetPosition(v);
      bar->SetEnabled(!c.readOnly);
      bar->OnChange = rtl::TNotifyEvent(
          bar, [bar, shown](rtl::TObject*) { shown->SetCaption(rtl::IntToStr(bar->Position())); });
      row.value = [bar, &c] {
        // Drivers take only values on their step.
        const int p = bar->Position();
        return c.minimum + (p - c.minimum) / c.step * c.step;
      };
      row.set = [bar](const std::string& t) {
        bar->SetPosition(rtl::StrToIntDef(t, bar->Position()));
      };
    }
    rows.push_back(std::move(row));
    y += 34;
  }
  const int result = d.Run([&](const vcl::TDialogAnswer& a) {
    std::istringstream lines(a.FileName);
    for (std::string line; std::getline(lines, line);) {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      for (Row& r : rows)
        if (r.control->name == line.substr(0, eq) && !r.control->readOnly)
          r.set(line.substr(eq + 1));
    }
  });
  if (result != vcl::mrOk) return false;
  for (Row& r : rows)
    if (!r.control->readOnly && r.value() != r.initial) device.SetControl(r.control->id, r.value());
  return true;
}

bool ShowTunerPage(const std::string& caption, capture::VideoDevice& device) {
  const std::optional<capture::TunerInfo> tuner = device.Tuner();
  if (!tuner) return false;
  uint64_t hz = tuner->lowHz;
  device.GetFrequency(hz);
  DialogForm d(caption, 320, 190);
  d.Label(8, 12, 300, "Tuner: " + tuner->name);
  d.Label(8, 36, 300, "Range: " + Mhz(tuner->lowHz) + " - " + Mhz(tuner->highHz) + " MHz");
  d.Label(8, 60, 300, "Signal: " + rtl::IntToStr(int(int64_t(tuner->signal) * 100 / 65535)) + " %");
  d.Label(8, 88, 110, "Frequency (MHz):");
  auto* edit = d.New<vcl::TEdit>(120, 84, 100, 22);
  edit->SetText(Mhz(hz));
  const int result = d.Run([&](const vcl::TDialogAnswer& a) { edit->SetText(a.FileName); });
  if (result != vcl::mrOk) return false;
  double mhz = 0;
  const uint64_t want =
      rtl::TryStrToFloat(rtl::Trim(edit->Text()), mhz) && std::isfinite(mhz) && mhz > 0 && mhz < 1e6
          ? uint64_t(std::llround(mhz * 1e6))
          : 0;
  if (want < tuner->lowHz || want > tuner->highHz || capture::Failed(device.SetFrequency(want))) {
    vcl::ShowMessageBox("The frequency must be a number from " + Mhz(tuner->lowHz) + " to " +
                            Mhz(tuner->highHz) + " MHz.",
                        caption, vcl::MB_OK | vcl::MB_ICONERROR);
    return false;
  }
  return true;
}
