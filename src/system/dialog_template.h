#pragma once
// The start-up dialog as data: its title, size and controls in dialog units and tab order.
// The toolkit code turns the table into widgets; the dialog procedure works on the same ids.

#include <string>
#include <vector>

namespace DialogId {
enum : int {
  Label = 0,
  Run = 1,
  Quit = 2,
  Resolution = 100,
  Fullscreen = 101,
  AntiAliasing = 102,
  Vsync = 103,
  AspectRatio = 104,
  GetMp3 = 105,
  GetAvi = 106,
  SyncClient = 107,
  SyncHost = 108,
};
}

enum class DialogControlKind { Label, DropDownList, DefaultPushButton, PushButton, CheckBox, EditField };

struct DialogItem {
  int id = DialogId::Label;
  DialogControlKind kind = DialogControlKind::Label;
  std::string text;  // "&" marks the mnemonic
  int x = 0, y = 0, width = 0, height = 0;
  bool disabled = false;
};

struct DialogTemplate {
  std::string title;
  int x = 300, y = 300, width = 135, height = 75;
  std::vector<DialogItem> items;

  // The control with this id (not a label), or null when the template has none.
  const DialogItem* Find(int id) const;
};

// The fixed values of the build that reach the further modes.
struct DialogOptions {
  bool sync_client_controls = false;  // adds the sync-client box and the editor-host field
  bool avi_capture_enabled = false;   // "Get &avi" can be pressed
};

DialogTemplate BuildStartupDialogTemplate(const std::string& title, const DialogOptions& options);

// A label with its "&" mnemonic marker turned into the toolkit's "_" ("&&" stays a literal "&",
// a literal "_" is doubled).
std::string ToMnemonicLabel(const std::string& text);

// Where an item sits on a grid whose columns and rows are the distinct left and top edges of
// the template's items; an item spans every column that starts within its width.
struct DialogGridCell {
  int column = 0;
  int row = 0;
  int column_span = 1;
};
DialogGridCell PlaceOnGrid(const DialogTemplate& dialog, const DialogItem& item);
