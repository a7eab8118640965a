#pragma once
// Answers message boxes in place of a person and remembers what they said.

#include <vector>

#include "system/messagebox.h"

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
