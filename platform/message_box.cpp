#include "platform/message_box.h"

#include <mutex>
#include <utility>

namespace platform {

void ShowSystemMessageBox(const std::string& text, const std::string& caption, bool errorIcon);

namespace {
std::mutex sinkMutex;
MessageBoxSink& Sink() {
  static MessageBoxSink sink;
  return sink;
}

void Show(const std::string& text, const std::string& caption, bool errorIcon) {
  MessageBoxSink sink;
  {
    std::lock_guard<std::mutex> lock(sinkMutex);
    sink = Sink();
  }
  if (sink) {
    sink(text, caption);
    return;
  }
  ShowSystemMessageBox(text, caption, errorIcon);
}

}  // namespace

void ShowMessageBox(const std::string& text, const std::string& caption) {
  Show(text, caption, false);
}

void ShowErrorMessageBox(const std::string& text, const std::string& caption) {
  Show(text, caption, true);
}

void SetMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard<std::mutex> lock(sinkMutex);
  Sink() = std::move(sink);
}

}  // namespace platform
