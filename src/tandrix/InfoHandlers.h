#pragma once

#include "tandrix/InfoResource.h"

struct AppState;
struct MainForm;

// Menu "Info": runs the information window until it is closed.
void Info(AppState& state, MainForm& form);

// As Info, with the given stream in place of the built-in one.
void InfoWithStream(AppState& state, MainForm& form, InfoStream stream);
