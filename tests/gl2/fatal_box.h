#pragma once
// Answers message boxes in place of a person and echoes their text to standard error, where
// death tests look for it.

#include <cstdio>

#include "system/messagebox.h"

inline void EchoMessageBoxesToStderr() {
  SetMessageBoxHandler([](const MessageBoxRequest& request) {
    std::fprintf(stderr, "%s\n", request.text.c_str());
    return MessageBoxResult::Ok;
  });
}
