#pragma once
// What the start-up dialog does, apart from drawing it: fills the lists from the display modes
// and the settings, and turns each control's notification into a change of SystemSettings or
// the end of the dialog. It works on the template's ids and on the state each control shows,
// so it runs the same with a window on screen or without one.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "system/dialog_template.h"
#include "system/displaymodes.h"

struct SystemSettings;

enum class DialogNotification {
  Clicked,        // a button was pressed or a box ticked
  SelectionDone,  // a list's choice was confirmed
  TextChanged,    // an edit field's text changed
};

// What a control shows.
struct DialogControlState {
  std::vector<std::string> entries;  // list entries
  int selected = -1;                 // list selection
  bool checked = false;              // box ticked
  std::string text;                  // edit field text
};

// "Get &mp3": the packed data file and the export of its MP3 entries, given by the entry (the
// data layer sits above the platform layer).
struct DialogDataActions {
  std::function<void(const std::string&)> read_data_file;
  std::function<void()> export_mp3;
};

class StartupDialogProcedure {
 public:
  StartupDialogProcedure(const DialogTemplate& dialog, SystemSettings& settings,
                         DialogDataActions actions);

  // Fills every control from the display modes and the settings, then sends the controls'
  // notifications so that the settings hold exactly what the dialog shows.
  void InitDialog(const std::vector<DisplayMode>& display_modes);
  // A control's notification; the dialog's result when it ends the dialog.
  std::optional<int> Command(int id, DialogNotification notification);

  // Controls the template lacks read as empty and unticked; changes to them are dropped.
  const DialogControlState& Control(int id) const;
  void Select(int id, int index);
  void SetChecked(int id, bool checked);
  void SetText(int id, const std::string& text);

 private:
  DialogControlState* Find(int id);
  std::string SelectedText(int id) const;
  void FillResolutions(const std::vector<DisplayMode>& display_modes);
  void FillAntiAliasing();
  void FillAspectRatios();
  void ReadResolution();
  void ReadAntiAliasing();
  void ReadAspectRatio();
  void ReadSyncHost();
  void GetMp3();

  SystemSettings& settings_;
  DialogDataActions actions_;
  std::map<int, DialogControlState> controls_;
};
