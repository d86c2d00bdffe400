// The capture-settings dialog: devices, compressors, DV resolution and still-frame pixel format
// of a capture settings record.
#pragma once

#include "capture/graphconfig.h"
#include "capture/vcap.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/misc.h"
#include "platform/vcl/stdctrls.h"

class TFGraphConfig : public vcl::TForm {
 public:
  // Offers the devices and compressors `capture` lists.
  TFGraphConfig(rtl::TComponent* AOwner, TVideoCapture* capture);

  void FormCreate(rtl::TObject* Sender);
  // Each check box enables what it governs.
  void CheckBoxClick(rtl::TObject* Sender);

  vcl::TComboBox *cbVSources, *cbASources;  // " Capture Sources "
  vcl::TCheckBox *cbVComp, *cbAComp;        // " Compressors "
  vcl::TComboBox *cbVComps, *cbAComps;
  vcl::TComboBox* cbDVResolution;
  vcl::TComboBox* cbPixelFormat;
  vcl::TCheckBox* CheckBox1;  // "videocapture linked to log-recording"
  vcl::TButton *OKButton, *CancelButton;
  // Hidden, but carrying the record's values through the dialog.
  vcl::TCheckBox *cbWantPreview, *cbWantCapture, *cbWantBitmaps, *cbWantDVAudio, *cbWantAudio,
      *cbDoPreallocCaptureFile, *cbUseTempFile;
  vcl::TEdit *feCaptureFile, *feTempFile;
  vcl::TSpinEdit* sePreallocSize;

 private:
  TVideoCapture* capture_;
};

// Runs the dialog on the record: true, and the record replaced by what the dialog holds, when
// it is accepted; false and the record untouched otherwise.
bool ExecuteGraphConfig(TGraphConfig* C, TVideoCapture* capture);
