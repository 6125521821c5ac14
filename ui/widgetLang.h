#pragma once
#include <string>

#include "config/langTypes.h"
#include "ui/widget.h"

class QWidget;

// Sets the captions that follow the user's language from the message table
// (the fixed captions stay) and marks the configuration as changed.
void changeWidgetsLang(T_Widget* w, const LangStruct* msg);

// The rest of the window in the table's language, found by object name: the
// tab strip, the menus, the pages' buttons, groups and labels, the choices
// of the drop-down lists and the names a screen reader reads.
void changeWindowLang(QWidget* window, const LangStruct* msg);

// A caption without its mnemonic marks, for a title or a saved caption.
std::string withoutMnemonic(const std::string& caption);
// The screen-reader names of the satellite rows' tick boxes, after their
// satellites (a row's name button carries it as its tooltip).
void nameSatRows(QWidget* window, const LangStruct* m);
