#pragma once
// The clipboard's text as a user's paste sees it, and a known text put there before a command runs.
#include <string>

namespace testsupport {

// The CF_TEXT on the clipboard (empty when none); "<held>" while another window has it open.
std::string ClipboardText();
// False when the clipboard cannot be opened.
bool PutOnClipboard(const std::string& text);

}  // namespace testsupport
