#pragma once
// Message boxes shown to the user (on Linux, a line on the standard error stream).
#include <functional>
#include <string>

namespace platform {

void ShowMessageBox(const std::string& text, const std::string& caption);
// The same with the error icon.
void ShowErrorMessageBox(const std::string& text, const std::string& caption);

// Tests observe message boxes here instead of waiting for a person to close them;
// an empty function restores the real boxes.
using MessageBoxSink = std::function<void(const std::string& text, const std::string& caption)>;
void SetMessageBoxSink(MessageBoxSink sink);

}  // namespace platform
