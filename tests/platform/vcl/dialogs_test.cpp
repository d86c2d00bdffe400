#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "platform/vcl/classic.h"
#include "platform/vcl/filedialogs.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/screen.h"
#include "platform/vcl/stdctrls.h"
#include "tests/tempdir.h"
#include "vcltest.h"

using namespace vcl;
namespace fs = std::filesystem;

namespace {

class Dialogs : public vcltest::VclTest {
 protected:
  // The button of the open dialog box with this caption.
  TButton* BoxButton(const std::string& caption) {
    TCustomForm* box = Screen->ActiveForm();
    if (!box) return nullptr;
    for (int i = 0; i < box->ComponentCount(); ++i) {
      auto* b = dynamic_cast<TButton*>(box->Components(i));
      if (b && b->Caption() == caption) return b;
    }
    return nullptr;
  }
};

TEST_F(Dialogs, MessageBoxesAnswerWithTheButtonChosen) {
  win::InputScript script;
  script.Then([&] {
    ASSERT_NE(BoxButton("&No"), nullptr);
    PostClick(BoxButton("&No"));
  });
  EXPECT_EQ(app->MessageBox("Playback is active, would you like to stop playback?", "Question",
                            MB_YESNO | MB_ICONQUESTION),
            IDNO);
  script.Then([&] { PostKey(win::VK_RETURN); });
  EXPECT_EQ(app->MessageBox("COM port not available", "Message", MB_OK | MB_ICONEXCLAMATION), IDOK);
  script.Then([&] { PostKey(win::VK_ESCAPE); });
  EXPECT_EQ(app->MessageBox("Save?", "Question", MB_YESNOCANCEL), IDCANCEL);
  script.Then([&] {
    win::PostRawInput(win::KeyDown(win::VK_MENU));
    PostKey('Y');
    win::PostRawInput(win::KeyUp(win::VK_MENU));
  });
  EXPECT_EQ(app->MessageBox("Stop?", "Question", MB_YESNO), IDYES);
  auto log = DialogLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[1].Caption, "Message");
  EXPECT_EQ(log[1].Text, "COM port not available");
  EXPECT_EQ(log[1].Flags, unsigned(MB_OK | MB_ICONEXCLAMATION));
}

TEST_F(Dialogs, AMessageBoxIsWideEnoughForItsWholeCaption) {
  const std::string caption = "Corvatalen - Sailboat performance package";
  int width = 0, room = 0;
  win::InputScript script;
  script.Then([&] {
    TCustomForm* box = Screen->ActiveForm();
    ASSERT_NE(box, nullptr);
    width = vcl::MeasureTitle(box->Caption());
    room = vcltest::TitleRoom(box);
    PostKey(win::VK_RETURN);
  });
  EXPECT_EQ(app->MessageBox("Saved.", caption.c_str(), MB_OK), IDOK);
  EXPECT_GT(width, 0);
  EXPECT_LE(width, room);

  // A text far wider than the screen goes onto more lines within it.
  std::string text;
  for (int i = 0; i < 40; ++i) text += "word" + std::to_string(i) + " ";
  TRect box{}, label{};
  int lineHeight = 0;
  script.Then([&] {
    TCustomForm* f = Screen->ActiveForm();
    ASSERT_NE(f, nullptr);
    box = f->BoundsRect();
    auto* l = dynamic_cast<TLabel*>(f->FindComponent("Message"));
    ASSERT_NE(l, nullptr);
    label = l->BoundsRect();
    lineHeight = MeasureText(l->Font(), "word").cy;
    PostKey(win::VK_RETURN);
  });
  EXPECT_EQ(app->MessageBox(text, "Message", MB_OK), IDOK);
  const TRect screen = Screen->WorkAreaRect();
  EXPECT_GE(box.left, screen.left);
  EXPECT_LE(box.right, screen.right);
  EXPECT_GE(label.Height(), 2 * lineHeight);
  EXPECT_LE(label.right, box.Width());
}

TEST_F(Dialogs, MessageDlgTakesItsCaptionAndIconFromItsType) {
  SetDialogResponder([](const TDialogRequest&) { return TDialogAnswer{mrYes}; });
  EXPECT_EQ(MessageDlg("Delete the waypoints?", mtConfirmation, mbYes | mbNo), mrYes);
  EXPECT_EQ(DialogLog().back().Caption, "Confirm");
  // Each type with its own icon.
  const std::pair<TMsgDlgType, unsigned> icons[] = {{mtWarning, MB_ICONEXCLAMATION},
                                                    {mtError, MB_ICONSTOP},
                                                    {mtInformation, MB_ICONINFORMATION},
                                                    {mtConfirmation, MB_ICONQUESTION},
                                                    {mtCustom, 0u}};
  for (const auto& [type, icon] : icons) {
    MessageDlg("Delete the waypoints?", type, mbYes | mbNo);
    EXPECT_EQ(DialogLog().back().Flags & MB_ICONMASK, icon) << type;
  }
  ShowMessage("Done");
  EXPECT_EQ(DialogLog().back().Caption, "Test");
}

TEST_F(Dialogs, TheOpenDialogListsTheFilterMatchesAndReturnsThePath) {
  const TempDir temp("vcl_open");
  const fs::path dir = temp.path();
  fs::create_directories(dir / "sub");
  std::ofstream(dir / "a.wpt") << "x";
  std::ofstream(dir / "b.txt") << "x";
  TOpenDialog dlg(nullptr);
  dlg.SetFilter("Waypoints (*.wpt)|*.wpt|All files|*.*");
  dlg.SetInitialDir(dir.string());
  dlg.SetOptions(ofFileMustExist);
  win::InputScript script;
  script
      .Then([&] {
        TCustomForm* f = Screen->ActiveForm();
        ASSERT_NE(f, nullptr);
        auto* list = dynamic_cast<TListBox*>(f->FindComponent("FileList"));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->Items()->Count(), 3);  // [..], [sub], a.wpt
        EXPECT_EQ(list->Items()->Strings(1), "[sub]");
        EXPECT_EQ(list->Items()->Strings(2), "a.wpt");
        TRect r = list->ItemRect(2);
        PostClick(list, r.left + 4, r.top + 2);
      })
      .Then([&] { PostKey(win::VK_RETURN); });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(fs::path(dlg.FileName()), dir / "a.wpt");
  EXPECT_EQ(dlg.FilterIndex(), 1);

  // A name that does not exist is refused with a box; the answer then cancels.
  SetDialogResponder([](const TDialogRequest& r) -> std::optional<TDialogAnswer> {
    if (r.Kind == "Open") return TDialogAnswer{IDOK, "missing.wpt"};
    return TDialogAnswer{IDOK};
  });
  script.After(200).Then([&] { PostKey(win::VK_ESCAPE); });
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(DialogLog().back().Kind, "MessageBox");
}

TEST_F(Dialogs, TheSaveDialogAddsTheDefaultExtensionAndAsksBeforeReplacing) {
  const TempDir temp("vcl_save");
  const fs::path dir = temp.path();
  std::ofstream(dir / "log1.lg") << "x";
  TSaveDialog dlg(nullptr);
  dlg.SetInitialDir(dir.string());
  dlg.SetDefaultExt("lg");
  dlg.SetOptions(ofOverwritePrompt);
  int asked = 0;
  SetDialogResponder([&](const TDialogRequest& r) -> std::optional<TDialogAnswer> {
    if (r.Kind == "Save") return TDialogAnswer{IDOK, "log1"};
    ++asked;
    return TDialogAnswer{IDYES};
  });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(fs::path(dlg.FileName()), dir / "log1.lg");
}

TEST_F(Dialogs, TheColourDialogPicksABasicColour) {
  TColorDialog dlg(nullptr);
  dlg.SetColor(clRed);
  win::InputScript script;
  script.Then([&] { PostKey(win::VK_RIGHT); }).Then([&] { PostKey(win::VK_RETURN); });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.Color(), BasicColors()[9]);
  SetDialogResponder([](const TDialogRequest&) { return TDialogAnswer{IDOK, "", clNavy}; });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.Color(), clNavy);
  SetDialogResponder([](const TDialogRequest&) { return TDialogAnswer{IDCANCEL}; });
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(dlg.Color(), clNavy);
}

}  // namespace
