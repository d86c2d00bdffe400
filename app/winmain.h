// The program entry and the creation of its forms.
#pragma once

#include <string>

#include "platform/vcl/application.h"

// Creates the forms in their order, owned by the application: the main window first.
void CreateForms(vcl::TApplication& app);

// Runs the program in the working directory until its main window closes, on the named display
// backend ("headless" or "sdl"). Headless, the message boxes are written to the standard error
// and answered with their first button, since nobody could answer them.
int WinMain(const std::string& backend);
