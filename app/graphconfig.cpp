#include "app/graphconfig.h"

#include <memory>
#include <string>

#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"

namespace {

constexpr const char* kDVResolutions[] = {"dont worry", "Full", "Half", "Quater", "DC"};
constexpr const char* kPixelFormats[] = {"pfDevice", "pf1bit",  "pf4bit",  "pf8bit",  "pf15bit",
                                         "pf16bit",  "pf24bit", "pf32bit", "pfCustom"};

vcl::TLabel* NewLabel(vcl::TForm* form, vcl::TWinControl* parent, const std::string& name,
                     const char* text, int x, int y) {
  auto* l = vcl::NewChild<vcl::TLabel>(form, parent, name, x, y + 3, 110, 16);
  l->SetCaption(text);
  return l;
}

vcl::TComboBox* NewList(vcl::TForm* form, vcl::TWinControl* parent, const std::string& name, int x,
                     int y, int width) {
  auto* c = vcl::NewChild<vcl::TComboBox>(form, parent, name, x, y, width, 21);
  c->SetStyle(vcl::csDropDownList);
  return c;
}

vcl::TCheckBox* NewBox(vcl::TForm* form, vcl::TWinControl* parent, const std::string& name,
                    const char* text, int x, int y, int width = 100) {
  auto* b = vcl::NewChild<vcl::TCheckBox>(form, parent, name, x, y, width, 17);
  b->SetCaption(text);
  return b;
}

void Fill(vcl::TComboBox* box, const rtl::TStrings& names) {
  box->Items()->Clear();
  for (int i = 0; i < names.Count(); ++i) box->Items()->Add(names.Strings(i));
}

// The first item that is `name`, or none.
void Select(vcl::TComboBox* box, const std::string& name) {
  for (int i = 0; i < box->Items()->Count(); ++i)
    if (box->Items()->Strings(i) == name) {
      box->SetItemIndex(i);
      return;
    }
  box->SetItemIndex(-1);
}

std::string SelectedText(const vcl::TComboBox* box) {
  const int i = box->ItemIndex();
  return i >= 0 && i < box->Items()->Count() ? box->Items()->Strings(i) : std::string();
}

}  // namespace

TFGraphConfig::TFGraphConfig(rtl::TComponent* AOwner, TVideoCapture* capture)
    : TForm(AOwner), capture_(capture) {
  SetName("FGraphConfig");
  SetCaption("Capture graph configuration");
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poMainFormCenter);
  SetBounds(0, 0, 400, 330);
  auto* sources = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox1", 8, 8, 376, 78);
  sources->SetCaption(" Capture Sources ");
  NewLabel(this, sources, "Label1", "Video", 10, 20);
  cbVSources = NewList(this, sources, "cbVSources", 90, 20, 270);
  NewLabel(this, sources, "Label2", "Audio", 10, 48);
  cbASources = NewList(this, sources, "cbASources", 90, 48, 270);
  auto* comps = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox2", 8, 92, 376, 78);
  comps->SetCaption(" Compressors ");
  cbVComp = NewBox(this, comps, "cbVComp", "Video", 10, 22, 70);
  cbVComps = NewList(this, comps, "cbVComps", 90, 20, 270);
  cbAComp = NewBox(this, comps, "cbAComp", "Audio", 10, 50, 70);
  cbAComps = NewList(this, comps, "cbAComps", 90, 48, 270);
  NewLabel(this, this, "Label3", "DV Resolution", 16, 180);
  cbDVResolution = NewList(this, this, "cbDVResolution", 140, 180, 150);
  for (const char* item : kDVResolutions) cbDVResolution->Items()->Add(item);
  NewLabel(this, this, "Label4", "BitmapPixelFormat", 16, 208);
  cbPixelFormat = NewList(this, this, "cbPixelFormat", 140, 208, 150);
  for (const char* item : kPixelFormats) cbPixelFormat->Items()->Add(item);
  CheckBox1 = NewBox(this, this, "CheckBox1", "videocapture linked to log-recording", 16, 238, 300);
  OKButton = vcl::NewChild<vcl::TButton>(this, this, "OKButton", 206, 266, 85, 25);
  OKButton->SetCaption("OK");
  OKButton->SetModalResult(vcl::mrOk);
  OKButton->SetDefault(true);
  CancelButton = vcl::NewChild<vcl::TButton>(this, this, "CancelButton", 299, 266, 85, 25);
  CancelButton->SetCaption("Cancel");
  CancelButton->SetModalResult(vcl::mrCancel);
  CancelButton->SetCancel(true);

  cbWantPreview = NewBox(this, this, "cbWantPreview", "Preview", 0, 0);
  cbWantCapture = NewBox(this, this, "cbWantCapture", "Capture", 0, 0);
  cbWantBitmaps = NewBox(this, this, "cbWantBitmaps", "Bitmaps", 0, 0);
  cbWantDVAudio = NewBox(this, this, "cbWantDVAudio", "DV audio", 0, 0);
  cbWantAudio = NewBox(this, this, "cbWantAudio", "Audio", 0, 0);
  cbDoPreallocCaptureFile = NewBox(this, this, "cbDoPreallocCaptureFile", "PreallocCaptureFile", 0, 0);
  cbUseTempFile = NewBox(this, this, "cbUseTempFile", "Use temp file", 0, 0);
  feCaptureFile = vcl::NewChild<vcl::TEdit>(this, this, "feCaptureFile", 0, 0, 100, 21);
  feCaptureFile->SetText("Capture.avi");
  feTempFile = vcl::NewChild<vcl::TEdit>(this, this, "feTempFile", 0, 0, 100, 21);
  feTempFile->SetText("CapTemp.avi");
  auto* preallocLabel = NewLabel(this, this, "Label5", "Prealloc file size", 0, 0);
  sePreallocSize = vcl::NewChild<vcl::TSpinEdit>(this, this, "sePreallocSize", 0, 0, 60, 21);
  sePreallocSize->SetMaxValue(1 << 20);
  auto* mbLabel = NewLabel(this, this, "Label6", "Mb", 0, 0);
  const std::initializer_list<vcl::TControl*> hidden = {
      cbWantPreview, cbWantCapture, cbWantBitmaps, cbWantDVAudio,  cbWantAudio, cbDoPreallocCaptureFile,
      cbUseTempFile, feCaptureFile, feTempFile,    preallocLabel, sePreallocSize, mbLabel};
  for (vcl::TControl* c : hidden) c->SetVisible(false);
  for (vcl::TCheckBox* b : {cbWantPreview, cbWantAudio, cbWantCapture, cbUseTempFile,
                            cbDoPreallocCaptureFile, cbVComp})
    b->OnClick = rtl::MakeEvent(this, &TFGraphConfig::CheckBoxClick);
  OnCreate = rtl::MakeEvent(this, &TFGraphConfig::FormCreate);
}

void TFGraphConfig::FormCreate(rtl::TObject*) {
  if (capture_ == nullptr) return;
  Fill(cbVSources, *capture_->GetVideoDevicesList(false));
  Fill(cbASources, *capture_->GetAudioDevicesList(false));
  Fill(cbVComps, *capture_->GetVideoCompressorsList(false));
  Fill(cbAComps, *capture_->GetAudioCompressorsList(false));
}

void TFGraphConfig::CheckBoxClick(rtl::TObject* Sender) {
  if (Sender == cbWantPreview) cbWantBitmaps->SetEnabled(cbWantPreview->Checked());
  if (Sender == cbWantAudio) cbASources->SetEnabled(cbWantAudio->Checked());
  if (Sender == cbWantCapture) {
    feCaptureFile->SetEnabled(cbWantCapture->Checked());
    cbDoPreallocCaptureFile->SetEnabled(cbWantCapture->Checked());
    cbUseTempFile->SetEnabled(cbWantCapture->Checked());
  }
  if (Sender == cbUseTempFile) feTempFile->SetEnabled(cbUseTempFile->Checked());
  if (Sender == cbDoPreallocCaptureFile)
    sePreallocSize->SetEnabled(cbDoPreallocCaptureFile->Checked());
  if (Sender == cbVComp) cbVComps->SetEnabled(cbVComp->Checked());
}

bool ExecuteGraphConfig(TGraphConfig* C, TVideoCapture* capture) {
  if (C == nullptr) return false;
  auto form = std::make_unique<TFGraphConfig>(nullptr, capture);
  form->AfterConstruction();
  TFGraphConfig& f = *form;
  f.cbWantPreview->SetChecked(C->WantPreview);
  f.cbWantCapture->SetChecked(C->WantCapture);
  f.cbWantBitmaps->SetChecked(C->WantBitmaps);
  f.cbWantDVAudio->SetChecked(C->WantDVAudio);
  f.cbDoPreallocCaptureFile->SetChecked(C->DoPreallocFile);
  f.cbUseTempFile->SetChecked(C->UseTempFile);
  f.cbWantAudio->SetChecked(C->WantAudio);
  f.cbVComp->SetChecked(!C->VComp.empty());
  f.cbAComp->SetChecked(!C->AComp.empty());
  f.feCaptureFile->SetText(C->CaptureFileName);
  f.feTempFile->SetText(C->TempCaptureFileName);
  // Stored values beyond the lists (the settings file's default is 16) mean the defaults, as
  // they do in the record's text form: never an index past a list.
  f.cbDVResolution->SetItemIndex(CheckedDVResolution(C->DVResolution));
  f.cbPixelFormat->SetItemIndex(static_cast<int>(CheckedPixelFormat(C->PixelFormat)));
  f.sePreallocSize->SetValue(C->PreallocFileSize);
  Select(f.cbVSources, C->VCapSource);
  Select(f.cbASources, C->ACapSource);
  Select(f.cbVComps, C->VComp);
  Select(f.cbAComps, C->AComp);
  f.cbVComp->SetChecked(f.cbVComps->ItemIndex() >= 0);
  f.cbAComp->SetChecked(f.cbAComps->ItemIndex() >= 0);
  // Setting a box that is already in that state fires nothing: bring every governed control in
  // line once.
  for (vcl::TCheckBox* b : {f.cbWantPreview, f.cbWantAudio, f.cbWantCapture, f.cbUseTempFile,
                            f.cbDoPreallocCaptureFile, f.cbVComp})
    f.CheckBoxClick(b);

  vcl::TDialogRequest request;
  request.Kind = "Form";
  request.Caption = f.Caption();
  if (vcl::RunDialog(&f, request) != vcl::mrOk) return false;

  C->Clear();
  C->WantPreview = f.cbWantPreview->Checked();
  C->WantCapture = f.cbWantCapture->Checked();
  C->WantBitmaps = f.cbWantBitmaps->Checked();
  C->WantDVAudio = f.cbWantDVAudio->Checked();
  C->DoPreallocFile = f.cbDoPreallocCaptureFile->Checked();
  C->UseTempFile = f.cbUseTempFile->Checked();
  C->WantAudio = f.cbWantAudio->Checked();
  C->PreallocFileSize = f.sePreallocSize->Value();
  C->CaptureFileName = f.feCaptureFile->Text();
  C->TempCaptureFileName = f.feTempFile->Text();
  if (f.cbDVResolution->ItemIndex() >= 0)
    C->DVResolution = static_cast<uint8_t>(f.cbDVResolution->ItemIndex());
  if (f.cbPixelFormat->ItemIndex() >= 0)
    C->PixelFormat = static_cast<uint8_t>(f.cbPixelFormat->ItemIndex());
  C->VCapSource = SelectedText(f.cbVSources);
  C->ACapSource = SelectedText(f.cbASources);
  if (f.cbVComp->Checked()) C->VComp = SelectedText(f.cbVComps);
  if (f.cbAComp->Checked()) C->AComp = SelectedText(f.cbAComps);
  C->VCompState.clear();
  return true;
}
