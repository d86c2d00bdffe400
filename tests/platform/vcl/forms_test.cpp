#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vcl/buttons.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/screen.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class Forms : public vcltest::VclTest {};

class TDialog : public TForm {
 public:
  explicit TDialog(rtl::TComponent* owner) : TForm(owner) {
    SetCaption("Settings");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(300);
    SetClientHeight(120);
    ok = new TBitBtn(this);
    ok->SetParent(this);
    ok->SetKind(bkOK);
    ok->SetBounds(130, 80, 75, 25);
    cancel = new TBitBtn(this);
    cancel->SetParent(this);
    cancel->SetKind(bkCancel);
    cancel->SetBounds(215, 80, 75, 25);
    edit = new TButton(this);
    edit->SetParent(this);
    edit->SetCaption("&Apply");
    edit->SetBounds(10, 80, 75, 25);
    OnActivate = rtl::TNotifyEvent(this, [this](rtl::TObject*) { events.push_back("activate"); });
    OnHide = rtl::TNotifyEvent(this, [this](rtl::TObject*) { events.push_back("hide"); });
    OnShow = rtl::TNotifyEvent(this, [this](rtl::TObject*) { events.push_back("show"); });
    OnClose =
        TCloseEvent(this, [this](rtl::TObject*, TCloseAction&) { events.push_back("close"); });
    OnCloseQuery = TCloseQueryEvent(this, [this](rtl::TObject*, bool& can) {
      events.push_back("closequery");
      can = allowClose;
    });
    AfterConstruction();
  }
  TBitBtn* ok;
  TBitBtn* cancel;
  TButton* edit;
  bool allowClose = true;
  std::vector<std::string> events;
};

TEST_F(Forms, ShowModalEndsWithTheResultOfTheButtonClicked) {
  TDialog dlg(app.get());
  win::InputScript script;
  script.Then([&] { PostClick(dlg.ok); });
  EXPECT_EQ(dlg.ShowModal(), mrOk);
  EXPECT_FALSE(dlg.Visible());
  EXPECT_EQ(dlg.events,
            (std::vector<std::string>{"show", "activate", "closequery", "close", "hide"}));

  script.Then([&] { PostKey(win::VK_ESCAPE); });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  script.Then([&] { PostKey(win::VK_RETURN); });  // the default button
  EXPECT_EQ(dlg.ShowModal(), mrOk);
}

TEST_F(Forms, ACloseQueryThatRefusesKeepsTheModalFormOpen) {
  TDialog dlg(app.get());
  dlg.allowClose = false;
  win::InputScript script;
  script.Then([&] { PostClick(dlg.cancel); }).Then([&] {
    EXPECT_TRUE(dlg.Visible());
    EXPECT_EQ(dlg.ModalResult(), mrNone);
    dlg.allowClose = true;
    PostClick(dlg.cancel);
  });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
}

// Refused by ShowModal; run as a dialog while up, it comes forward, closed by no scripted answer.
TEST_F(Forms, ShowingAVisibleFormModallyIsRefused) {
  TDialog dlg(app.get()), other(app.get());
  dlg.Show();
  EXPECT_THROW(dlg.ShowModal(), rtl::EInvalidOperation);
  dlg.Hide();
  SetDialogResponder([](const TDialogRequest&) { return TDialogAnswer{mrOk}; });
  win::InputScript script;
  script.Then([&] {
    other.Show();
    EXPECT_EQ(RunDialog(&dlg, {"Form", "Settings"}), mrNone);
    EXPECT_EQ(Screen->ActiveForm(), &dlg);
    dlg.SetModalResult(mrAbort);
  });
  EXPECT_EQ(dlg.ShowModal(), mrAbort);
}

TEST_F(Forms, OtherFormsAreDisabledWhileAModalFormIsUp) {
  TForm* main = nullptr;
  app->CreateForm(main);
  main->Show();
  TDialog dlg(app.get());
  win::InputScript script;
  script.Then([&] {
    EXPECT_FALSE(win::IsWindowEnabled(main->Handle()));
    dlg.SetModalResult(mrAbort);
  });
  EXPECT_EQ(dlg.ShowModal(), mrAbort);
  EXPECT_TRUE(win::IsWindowEnabled(main->Handle()));
}

TEST_F(Forms, CloseHidesAndCanFreeTheForm) {
  TForm* main = nullptr;
  app->CreateForm(main);
  auto* other = new TDialog(app.get());
  other->Show();
  other->Close();
  EXPECT_FALSE(other->Visible());
  EXPECT_EQ(other->events.back(), "hide");
  bool destroyed = false;
  other->OnDestroy = rtl::TNotifyEvent(&destroyed, [&](rtl::TObject*) { destroyed = true; });
  other->OnClose = TCloseEvent(other, [](rtl::TObject*, TCloseAction& a) { a = caFree; });
  other->Show();
  other->Close();
  EXPECT_FALSE(destroyed);  // freed once the current message is done
  Pump();
  EXPECT_TRUE(destroyed);
}

TEST_F(Forms, CentredBorderlessAndStayOnTopForms) {
  TDialog dlg(app.get());
  dlg.Show();
  TRect wr{};
  win::GetWindowRect(dlg.Handle(), &wr);
  EXPECT_EQ(wr.left + wr.Width() / 2, 640);
  EXPECT_NEAR(wr.top + wr.Height() / 2, Screen->WorkAreaRect().Height() / 2, 1);
  EXPECT_EQ(dlg.ClientWidth(), 300);

  TForm splash(app.get());
  splash.SetBorderStyle(bsNone);
  splash.SetFormStyle(fsStayOnTop);
  splash.SetBounds(10, 10, 200, 100);
  splash.Show();
  EXPECT_EQ(splash.ClientWidth(), 200);
  EXPECT_TRUE(win::GetWindowLong(splash.Handle(), win::GWL_EXSTYLE) & win::WS_EX_TOPMOST);
  dlg.SetFocus();
  Pump();
  // The stay-on-top form stays above the one activated after it.
  win::HWND top = win::GetTopWindow(nullptr);
  EXPECT_EQ(top, splash.Handle());
}

TEST_F(Forms, AlignFillsTheClientAreaInOrder) {
  TForm form(app.get());
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 400, 300);
  auto* top = new TPanel(&form);
  top->SetParent(&form);
  top->SetHeight(40);
  top->SetAlign(alTop);
  auto* left = new TPanel(&form);
  left->SetParent(&form);
  left->SetWidth(100);
  left->SetAlign(alLeft);
  auto* bottom = new TPanel(&form);
  bottom->SetParent(&form);
  bottom->SetHeight(30);
  bottom->SetAlign(alBottom);
  auto* client = new TPanel(&form);
  client->SetParent(&form);
  client->SetAlign(alClient);
  EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, 400, 40}));
  EXPECT_EQ(bottom->BoundsRect(), (TRect{0, 270, 400, 300}));
  EXPECT_EQ(left->BoundsRect(), (TRect{0, 40, 100, 270}));
  EXPECT_EQ(client->BoundsRect(), (TRect{100, 40, 400, 270}));
  form.SetBounds(0, 0, 500, 400);
  EXPECT_EQ(client->BoundsRect(), (TRect{100, 40, 500, 370}));
  left->SetVisible(false);
  EXPECT_EQ(client->BoundsRect(), (TRect{0, 40, 500, 370}));
}

TEST_F(Forms, AnchoredControlsKeepTheirDistances) {
  TForm form(app.get());
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 400, 300);
  auto* ok = new TButton(&form);
  ok->SetParent(&form);
  ok->SetBounds(310, 260, 80, 30);
  ok->SetAnchors(akRight | akBottom);
  auto* stretch = new TPanel(&form);
  stretch->SetParent(&form);
  stretch->SetBounds(10, 10, 380, 200);
  stretch->SetAnchors(akLeft | akTop | akRight | akBottom);
  form.SetBounds(0, 0, 500, 350);
  EXPECT_EQ(ok->BoundsRect(), (TRect{410, 310, 490, 340}));
  EXPECT_EQ(stretch->BoundsRect(), (TRect{10, 10, 490, 260}));
}

TEST_F(Forms, AWindowControlTakesItsChildControlsWithIt) {
  TForm form(app.get());
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* owned = new TButton(&form);  // owned by the form, child of the panel
  owned->SetParent(panel);
  auto* unowned = new TLabel(nullptr);  // freed with the panel all the same (no leak)
  unowned->SetParent(panel);
  int before = form.ComponentCount();
  delete panel;
  EXPECT_EQ(form.ComponentCount(), before - 2);  // the panel and the button left the owner
  EXPECT_EQ(form.ControlCount(), 0);
}

TEST_F(Forms, AControlMovedKeepingItsHandleKeepsCaptureAndFocus) {
  auto* one = new TForm(app.get());
  one->SetBounds(10, 10, 300, 200);
  auto* two = new TForm(app.get());
  two->SetBounds(400, 10, 300, 200);
  auto* panel = new TPanel(one);
  panel->SetParent(one);
  panel->SetBounds(10, 10, 100, 50);
  auto* edit = new TButton(panel);
  edit->SetParent(panel);
  edit->SetBounds(5, 5, 60, 20);
  one->Show();
  two->Show();
  one->SetFocus();
  edit->SetFocus();
  Pump();
  const win::HWND h = panel->Handle(), eh = edit->Handle();
  win::SetCapture(h);
  ASSERT_EQ(win::GetFocus(), eh);
  panel->ReparentKeepingHandle(two);
  EXPECT_EQ(panel->Parent(), two);
  EXPECT_EQ(panel->Handle(), h);
  EXPECT_EQ(edit->Handle(), eh);
  EXPECT_EQ(win::GetParent(h), two->Handle());
  EXPECT_EQ(win::GetCapture(), h);
  EXPECT_EQ(win::GetFocus(), eh);
  EXPECT_EQ(panel->ClientToScreen(TPoint{0, 0}), two->ClientToScreen(TPoint{10, 10}));
  win::ReleaseCapture();
  // The plain road re-creates the window.
  panel->SetParent(one);
  EXPECT_NE(panel->Handle(), h);
  EXPECT_FALSE(win::IsWindow(h));
}

class TRedrawless : public TPanel {
 public:
  using TPanel::TPanel;

 protected:
  void CreateParams(TCreateParams& p) override {
    TPanel::CreateParams(p);
    p.WindowClassStyle = win::CS_DBLCLKS | win::CS_HREDRAW;
  }
};

TEST_F(Forms, AClassStyleOfItsOwnGivesTheWindowAClassOfItsOwn) {
  auto* f = new TForm(app.get());
  auto* plain = new TPanel(f);
  plain->SetParent(f);
  auto* own = new TRedrawless(f);
  own->SetParent(f);
  f->Show();
  EXPECT_EQ(win::GetClassLong(plain->Handle(), win::GCL_STYLE), win::CS_DBLCLKS);
  EXPECT_EQ(win::GetClassLong(own->Handle(), win::GCL_STYLE), win::CS_DBLCLKS | win::CS_HREDRAW);
  EXPECT_NE(win::GetClassName(own->Handle()), win::GetClassName(plain->Handle()));
}

TEST_F(Forms, ResizeEventsFollowTheSize) {
  TForm form(app.get());
  form.SetBorderStyle(bsNone);
  auto* p = new TPanel(&form);
  p->SetParent(&form);
  int fontHeight = 0;
  auto* label = new TLabel(&form);
  label->SetParent(p);
  p->OnResize = rtl::TNotifyEvent(p, [&](rtl::TObject*) {
    label->Font()->SetHeight(p->Height() - 32);
    fontHeight = label->Font()->Height();
  });
  p->SetBounds(0, 0, 100, 40);
  EXPECT_EQ(fontHeight, 8);
}

}  // namespace
