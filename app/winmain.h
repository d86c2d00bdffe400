// The program entry and the creation of its forms.
#pragma once

#include <memory>
#include <string>

#include "platform/vcl/application.h"
#include "platform/win/system.h"

// Creates the forms in their order, owned by the application: the main window first, and no other
// when its creation failed. The main window's delayed start-up counts from the last one.
void CreateForms(vcl::TApplication& app);

// The clipboard follows the screen: the desktop's through SDL when that backend runs, the
// in-process store otherwise (also for a null backend).
void ConnectClipboard(const std::shared_ptr<win::Backend>& backend);

// Runs the program in the working directory until its main window closes, on the named display
// backend ("headless" or "sdl"). Headless, nobody can answer a box: each is told on the standard
// error and in the text log and closed with the choice that keeps the live data going
// (AnswerWithoutDisplay).
int WinMain(const std::string& backend);
