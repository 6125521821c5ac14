#pragma once
#include "config/langTypes.h"
#include "ui/widget.h"

// Sets the captions that follow the user's language from the message table
// (the fixed captions stay) and marks the configuration as changed.
void changeWidgetsLang(T_Widget* w, const LangStruct* msg);
