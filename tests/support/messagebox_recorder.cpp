#include "support/messagebox_recorder.h"

#include <cstdio>

namespace {

void Echo(const MessageBoxRequest& request) {
  std::fprintf(stderr, "%s\n%s\n", request.caption.c_str(), request.text.c_str());
}

}  // namespace

void EchoMessageBoxesToStderr() {
  SetMessageBoxHandler([](const MessageBoxRequest& request) {
    Echo(request);
    return MessageBoxResult::Ok;
  });
}

MessageBoxRecorder::MessageBoxRecorder(MessageBoxResult answer) {
  SetMessageBoxHandler([this, answer](const MessageBoxRequest& request) {
    Echo(request);
    shown_.push_back(request);
    return answer;
  });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(nullptr); }
