// The program entry and the creation of its forms.
#pragma once

#include "platform/vcl/application.h"

// Creates the forms in their order, owned by the application: the main window first.
void CreateForms(vcl::TApplication& app);

// Runs the program in the working directory until its main window closes; without a display the
// message boxes are written to the standard error and answered with their first button.
int WinMain(bool headless);
