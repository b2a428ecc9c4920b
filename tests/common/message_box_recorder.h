#pragma once
// Replaces the program's message box while it lives: every box is recorded and answered at once.
#include <string>
#include <vector>

#include "message_box.h"

namespace testsupport {

class MessageBoxRecorder {
 public:
  struct Box {
    std::string Text;
    std::string Caption;
    UINT Flags;
  };

  explicit MessageBoxRecorder(int answer = IDOK) {
    FPrevious = ui::SetMessageBoxHandler([this, answer](const std::string& text, const std::string& caption,
                                                        UINT flags) {
      Boxes.push_back({text, caption, flags});
      return answer;
    });
  }
  ~MessageBoxRecorder() { ui::SetMessageBoxHandler(FPrevious); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  std::vector<Box> Boxes;
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Box& box : Boxes) texts.push_back(box.Text);
    return texts;
  }

 private:
  ui::TMessageBoxHandler FPrevious;
};

}  // namespace testsupport
