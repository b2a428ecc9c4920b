// The editor's keys as a user presses them: the modifiers set in the keyboard state, the key given to the
// focused list or tree through the program's loop; each one shows what it did.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "editing_fixture.h"
#include "modal_driver.h"
#include "route_record.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_properties_form.h"
#include "tarnbel_protocol.h"

using namespace ui;
using namespace editortest;
using testsupport::TModalDriver;

namespace {

class EditorKeys : public EditingFixture {
 protected:
  void Press(WORD key, const std::vector<int>& held) {
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    memcpy(state, saved, sizeof state);
    for (int k : held) state[k] = 0x80;
    SetKeyboardState(state);
    PressKey(key);
    SetKeyboardState(saved);
  }
  // Ends the preset properties with the dialog's own Escape, once the user has let go of Alt; what the dialog
  // showed goes to shown.
  static std::vector<TModalDriver::TStep> EscapeProperties(std::string& shown) {
    return {[&shown] {
              auto* dialog = dynamic_cast<TPropertiesForm*>(Screen().ActiveForm());
              if (!dialog || !IsWindowVisible(dialog->Handle())) return false;
              shown = dialog->Caption() + "|" + dialog->BankKitSpinEdit->Caption() + "|" +
                      dialog->ProgramKitSpinEdit->Caption() + "|" + dialog->NameEdit->Caption();
              BYTE keys[256];
              GetKeyboardState(keys);
              keys[VK_MENU] = 0;
              SetKeyboardState(keys);
              testsupport::PostKey(GetFocus(), VK_ESCAPE);
              return true;
            }};
  }
  // The file previewed since a message index, or empty.
  std::string PreviewedFile(size_t from) {
    std::string file;
    for (size_t i = from; i < Server->Received.size(); ++i)
      if (Server->Received[i].Id == WM_TB_PREVIEW_FILE) file = Server->Received[i].Payload;
    return file;
  }
};

TEST_F(EditorKeys, EachKeyReachesItsCommandWhereTheFocusIs) {
  ASSERT_NE(OpenStudio(), nullptr);
  Settings->WriteString(PreviewRouteValue, "Keys\x01Synth\x01SB Live!\x01");
  TMappingsForm* e = Editor;
  const std::string x = "100: 000: x";
  std::string dialogShown;
  auto entry = [&](const std::string& caption) { return [&, caption] { Select(e->FilesListView, {caption}); }; };
  auto focused = [&] {
    TListItem* row = e->FilesListView->ItemFocused();
    return row ? row->Caption() : std::string("(none)");
  };
  // The state before the key (the last row's when none), the key with its modifiers, then what shows: the box
  // asked, what the key did, and the file its release previewed.
  struct TCase {
    const char* What;
    std::function<void()> Set;
    WORD Key;
    std::vector<int> Held;
    std::string Asked;
    std::function<void()> Check;
  } cases[] = {
      {"Ctrl+P", entry(x), 'P', {VK_CONTROL}, "Set preset program number|Enter program number for \"x\"|", nullptr},
      {"Ctrl+B", entry(x), 'B', {VK_CONTROL}, "Set bank number|Enter bank number for \"x\" :|", nullptr},
      {"Ctrl+N", entry(x), 'N', {VK_CONTROL}, "Set name|Enter name for " + BankDisplayName(100) + " preset 000|x",
       nullptr},
      {"Alt+Enter", entry(x), VK_RETURN, {VK_MENU}, "",
       [&] {
         EXPECT_EQ(dialogShown, "preset properties|100|0|x");
         EXPECT_TRUE(e->Mapping->SlotFilled(100, 0));
       }},
      {"Ctrl+Alt+N", entry(x), 'N', {VK_CONTROL, VK_MENU},
       "Set bank name|Enter name for bank 100|" + BankDisplayName(100), nullptr},
      {"Ctrl+A in the list", entry(x), 'A', {VK_CONTROL}, "",
       [&] { EXPECT_EQ(e->FilesListView->SelCount(), 6); }},
      {"Ctrl+A in the tree", [&] { e->FilesListView->ClearSelection(); Focus(e->SystemTreeView); }, 'A',
       {VK_CONTROL}, "", [&] { EXPECT_EQ(e->FilesListView->SelCount() + e->PresetsListView->SelCount(), 0); }},
      {"F7", nullptr, VK_F7, {}, "",
       [&] { EXPECT_EQ(Server->Received.back().Id, WM_TB_PREVIEW_ON); }},
      {"Enter in the attached list", entry("drum: 000: Kit"), VK_RETURN, {}, "",
       [&] {
         EXPECT_EQ(UpperCase(e->SourcePath), UpperCase(A));
         EXPECT_EQ(SelectedCaptions(e->PresetsListView), std::vector<std::string>{"drum: 000: Kit"});
       }},
      {"Enter in the presets list",
       [&] { Select(e->PresetsListView, {"drum: 000: Kit"}); e->FilesListView->ClearSelection(); }, VK_RETURN, {},
       "", [&] { EXPECT_EQ(SelectedCaptions(e->FilesListView), std::vector<std::string>{"drum: 000: Kit"}); }},
      {"Enter in the tree", [&] { entry("100: 001: y")(); Focus(e->SystemTreeView); }, VK_RETURN, {}, "",
       [&] {
         EXPECT_EQ(UpperCase(IncludeTrailingBackslash(e->SourcePath)), UpperCase(W + "sub\\"));
         EXPECT_EQ(SelectedCaptions(e->PresetsListView), std::vector<std::string>{"y.wav"});
       }},
      // Mode 0: the conflicts' last entry, a divider, the next group's header, its first entry.
      {"Down onto a divider", entry("000: 001: Zed"), VK_DOWN, {}, "",
       [&] { EXPECT_EQ(focused(), ""); EXPECT_EQ(e->FilesListView->SelCount(), 0); }},
      {"Down onto a header", nullptr, VK_DOWN, {}, "",
       [&] { EXPECT_EQ(focused(), " No conflicts"); EXPECT_EQ(e->FilesListView->SelCount(), 0); }},
      {"Down onto an entry", nullptr, VK_DOWN, {}, "",
       [&] { EXPECT_EQ(SelectedCaptions(e->FilesListView), std::vector<std::string>{x}); }},
      {"Up onto a header", nullptr, VK_UP, {}, "",
       [&] { EXPECT_EQ(focused(), " No conflicts"); EXPECT_EQ(e->FilesListView->SelCount(), 0); }},
      {"Escape", entry(x), VK_ESCAPE, {}, "",
       [&] { EXPECT_EQ(SelectedCaptions(e->FilesListView), std::vector<std::string>{x}); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    if (c.Set) c.Set();
    const size_t from = Server->Received.size();
    TAnswers answers({nullptr});
    std::unique_ptr<TModalDriver> driver;
    if (c.Key == VK_RETURN && !c.Held.empty())
      driver = std::make_unique<TModalDriver>(nullptr, EscapeProperties(dialogShown));
    Press(c.Key, c.Held);
    if (driver) {
      EXPECT_TRUE(driver->AllDone());
    }
    EXPECT_EQ(answers.Asked, c.Asked.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Asked});
    if (c.Check) c.Check();
    // A release previews the first selected entry, except Enter's and Escape's, which may have closed a box.
    TMappingInactiveItem* selected = e->EntryOfRow(e->FilesListView->Selected());
    const bool previews = e->FocusedControl() == e->FilesListView && c.Key != VK_RETURN && c.Key != VK_ESCAPE;
    EXPECT_EQ(PreviewedFile(from), previews && selected ? selected->GetSourceName() : std::string());
  }
}

}  // namespace
