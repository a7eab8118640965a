#pragma once
// The start-up dialog on screen, drawn with GTK from the dialog template.

#include "system/dialog_procedure.h"

// Starts the toolkit, leaving the process's locale as it is (number parsing elsewhere relies
// on the "C" locale). False when no display can be opened.
bool InitDialogToolkit();

// Shows the dialog until one of its controls ends it and returns that control's result; an
// exception thrown by a control's action ends the dialog and is rethrown from here. The
// dialog is destroyed and its pending events handled before this returns, so that the next
// window starts on a quiet display connection.
int RunDialogWindow(const DialogTemplate& dialog, StartupDialogProcedure& procedure);
