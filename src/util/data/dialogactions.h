#pragma once
// The start-up dialog's "Get &mp3" actions on the data layer.

#include "system/dialog_procedure.h"

// Reads the packed data file in the settings' data mode, and exports its MP3 entries.
DialogDataActions DataFileDialogActions();
