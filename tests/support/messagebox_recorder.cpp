#include "support/messagebox_recorder.h"

MessageBoxRecorder::MessageBoxRecorder(MessageBoxResult answer) {
  SetMessageBoxHandler([this, answer](const MessageBoxRequest& request) {
    shown_.push_back(request);
    return answer;
  });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(nullptr); }
