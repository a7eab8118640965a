#include "system/dialog_template.h"

#include <algorithm>
#include <set>


const DialogItem* DialogTemplate::Find(int id) const {
  if (id == DialogId::Label) return nullptr;
  auto found = std::find_if(items.begin(), items.end(), [id](const DialogItem& item) { return item.id == id; });
  return found == items.end() ? nullptr : &*found;
}

DialogTemplate BuildStartupDialogTemplate(const std::string& title, const DialogOptions& options) {
  using enum DialogControlKind;
  DialogTemplate dialog;
  dialog.title = title;
  dialog.items = {
      {DialogId::Label, Label, "Choose resolution", 5, 5, 65, 10},
      {DialogId::Resolution, DropDownList, "", 75, 5, 55, 500},
      {DialogId::Label, Label, "Anti-aliasing", 5, 20, 65, 10},
      {DialogId::AntiAliasing, DropDownList, "", 75, 20, 55, 500},
      {DialogId::Label, Label, "Aspect ratio", 5, 35, 65, 10},
      {DialogId::AspectRatio, DropDownList, "", 75, 35, 55, 500},
      {DialogId::Run, DefaultPushButton, "&Run", 5, 50, 30, 10},
      {DialogId::GetAvi, PushButton, "Get &avi", 40, 50, 30, 10, !options.avi_capture_enabled},
      {DialogId::Fullscreen, CheckBox, "&Fullscreen", 75, 50, 55, 10},
      {DialogId::Quit, PushButton, "&Quit", 5, 60, 30, 10},
      {DialogId::GetMp3, PushButton, "Get &mp3", 40, 60, 30, 10},
      {DialogId::Vsync, CheckBox, "&Vsync enable", 75, 60, 55, 10},
  };
  if (options.sync_client_controls) {
    dialog.height = 90;
    dialog.items.push_back({DialogId::SyncClient, CheckBox, "&Sync client", 5, 74, 65, 10});
    dialog.items.push_back({DialogId::SyncHost, EditField, "", 75, 74, 55, 12});
  }
  return dialog;
}

std::string ToMnemonicLabel(const std::string& text) {
  std::string label;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      const bool literal = i + 1 < text.size() && text[i + 1] == '&';
      label += literal ? '&' : '_';
      if (literal) ++i;
    } else if (text[i] == '_') {
      label += "__";
    } else {
      label += text[i];
    }
  }
  return label;
}

DialogGridCell PlaceOnGrid(const DialogTemplate& dialog, const DialogItem& item) {
  std::set<int> columns, rows;
  for (const DialogItem& other : dialog.items) {
    columns.insert(other.x);
    rows.insert(other.y);
  }
  DialogGridCell cell;
  cell.column = static_cast<int>(std::distance(columns.begin(), columns.find(item.x)));
  cell.row = static_cast<int>(std::distance(rows.begin(), rows.find(item.y)));
  cell.column_span = static_cast<int>(std::distance(columns.lower_bound(item.x),
                                                    columns.lower_bound(item.x + item.width)));
  return cell;
}
