#include "system/messagebox.h"

#include <SDL2/SDL.h>

#include "tolmesystem.h"

namespace {

MessageBoxHandler handler;

Uint32 IconFlags(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::Error:
      return SDL_MESSAGEBOX_ERROR;
    case MessageBoxIcon::Warning:
    case MessageBoxIcon::Question:
      return SDL_MESSAGEBOX_WARNING;
    case MessageBoxIcon::Information:
    case MessageBoxIcon::None:
      return SDL_MESSAGEBOX_INFORMATION;
  }
  return SDL_MESSAGEBOX_INFORMATION;
}

SDL_Window* OwnerWindow(const MessageBoxRequest& request) {
  if (!request.has_owner || !system_settings) return nullptr;
  return static_cast<SDL_Window*>(system_settings->window);
}

MessageBoxResult ShowSdlMessageBox(const MessageBoxRequest& request) {
  const SDL_MessageBoxButtonData ok_cancel[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 2, "Cancel"},
  };
  const SDL_MessageBoxButtonData ok_only[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1,
       "OK"},
  };
  const bool has_cancel = request.buttons == MessageBoxButtons::OkCancel;
  SDL_MessageBoxData data{};
  data.flags = IconFlags(request.icon);
  data.window = OwnerWindow(request);
  data.title = request.caption.c_str();
  data.message = request.text.c_str();
  data.numbuttons = has_cancel ? 2 : 1;
  data.buttons = has_cancel ? ok_cancel : ok_only;
  int pressed = 0;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) {
    // No display to show it on: a box nobody can answer counts as OK for an information box
    // and as Cancel for a question.
    return has_cancel ? MessageBoxResult::Cancel : MessageBoxResult::Ok;
  }
  return pressed == 1 ? MessageBoxResult::Ok : MessageBoxResult::Cancel;
}

}  // namespace

MessageBoxResult ShowMessageBox(const MessageBoxRequest& request) {
  if (handler) return handler(request);
  return ShowSdlMessageBox(request);
}

void SetMessageBoxHandler(MessageBoxHandler new_handler) { handler = std::move(new_handler); }
