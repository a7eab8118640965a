#pragma once
// Answers message boxes in place of a person. Each box's caption and text also go to standard
// error, where death tests look for the fatal message.

#include <vector>

#include "system/messagebox.h"

// Answers every box with Ok until another handler is installed; nothing is remembered.
void EchoMessageBoxesToStderr();

// Answers with `answer` and remembers every box while it lives.
class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(MessageBoxResult answer = MessageBoxResult::Ok);
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  const std::vector<MessageBoxRequest>& shown() const { return shown_; }

 private:
  std::vector<MessageBoxRequest> shown_;
};
