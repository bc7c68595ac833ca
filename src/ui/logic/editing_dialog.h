// What the dialogs that edit device values (RS-485 parameters, electrical parameters) share
// when they open.
#pragma once

#include "ui/logic/dialog_host.h"

// The window icon named by the settings file; the program icon when the file names none or
// the named one does not load.
IconRef LoadWindowIcon(Toolkit& toolkit);

// Sets `windowIcon`, the title (string-table text `titleText`) and the OK and Cancel buttons'
// captions and icons. Touches no other control.
void ShowEditingFrame(DialogHost& host, const IconRef& windowIcon, unsigned titleText);
