#pragma once
// Modal message boxes. The program shows real boxes; tests install a handler that records
// what would have been shown and answers in place of a person.

#include <functional>
#include <string>

enum class MessageBoxButtons { Ok, OkCancel };
enum class MessageBoxIcon { None, Information, Warning, Error, Question };
enum class MessageBoxResult { Ok, Cancel };

struct MessageBoxRequest {
  std::string caption;
  std::string text;
  MessageBoxButtons buttons = MessageBoxButtons::Ok;
  MessageBoxIcon icon = MessageBoxIcon::None;
  bool has_owner = false;  // parented to the program's window
};

using MessageBoxHandler = std::function<MessageBoxResult(const MessageBoxRequest&)>;

MessageBoxResult ShowMessageBox(const MessageBoxRequest& request);

// An empty handler restores the real boxes.
void SetMessageBoxHandler(MessageBoxHandler handler);
