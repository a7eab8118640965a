#include "system/dialog.h"

#include "system/dialog_gtk.h"
#include "system/dialog_procedure.h"
#include "system/dialog_template.h"
#include "system/displaymodes.h"
#include "tolmesystem.h"

int ShowStartupDialog(const DialogDataActions& actions) {
  return ShowStartupDialog(BuiltDialogOptions(), actions);
}

int ShowStartupDialog(const DialogOptions& options, const DialogDataActions& actions) {
  if (!InitDialogToolkit()) return -1;
  SystemSettings& settings = *system_settings;
  const DialogTemplate dialog = BuildStartupDialogTemplate(settings.title, options);
  StartupDialogProcedure procedure(dialog, settings, actions);
  procedure.InitDialog(EnumerateDisplayModes());
  return RunDialogWindow(dialog, procedure);
}
