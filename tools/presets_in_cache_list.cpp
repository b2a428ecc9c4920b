// The monitor's two lists: filling them from the server's reports, sorting the cached presets, the row
// lamps and the unload requests.
#include <cstdint>
#include <cstring>
#include <vector>

#include "none_marker.h"
#include "presets_in_cache_form.h"
#include "str_to_int.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

namespace {

const char* const NoInfoRoute = "[no info]";
const int32_t DrumBank = 0x8000;

std::string BankText(int32_t bank) { return bank == DrumBank ? "d" : std::to_string(bank); }

// The tick count at which a row's lamp went to afterglow; 0 when none.
DWORD LampTime(const TListItem* item) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(item->Data())); }
void SetLampTime(TListItem* item, DWORD tick) { item->SetData(reinterpret_cast<void*>(static_cast<uintptr_t>(tick))); }

// The last row showing this bank and program, a non-number bank counting as the drum bank.
TListItem* LampRow(TListView* list, const TPresetReport& report) {
  for (int i = list->Items().Count() - 1; i >= 0; --i) {
    TListItem* item = list->Items()[i];
    int32_t bank = StrToIntDef(item->SubItem(pcBank - 1), -1);
    bool bankMatches = bank == -1 ? report.Bank == DrumBank : bank == report.Bank;
    if (bankMatches && StrToIntDef(item->SubItem(pcProgram - 1), -1) == report.Program) return item;
  }
  return nullptr;
}

}  // namespace

std::string PresetSortKey(TListItem* item, int column) {
  std::string key;
  switch (column) {
    case pcLamp:
      key = item->Caption();
      break;
    case pcBank:
    case pcProgram:
      key = item->SubItem(pcBank - 1) + PadLeftZeros(item->SubItem(pcProgram - 1), 3);
      break;
    case pcFile:
    case pcBankInFile:
    case pcPresetInFile:
      key = item->SubItem(pcBankInFile - 1) + PadLeftZeros(item->SubItem(pcPresetInFile - 1), 3);
      break;
    default:
      key = item->SubItem(column - 1);
      break;
  }
  return key.empty() ? std::string(1, '\xFF') : key;
}

int ComparePresetKeys(const std::string& key1, const std::string& key2, bool asNumbers) {
  int32_t n1 = 0, n2 = 0;
  // By sign: a difference of two large numbers would overflow.
  if (asNumbers && TryStrToInt(key1, n1) && TryStrToInt(key2, n2)) return n1 < n2 ? -1 : n1 > n2 ? 1 : 0;
  size_t common = key1.size() < key2.size() ? key1.size() : key2.size();
  int c = std::memcmp(key1.data(), key2.data(), common);  // bytes compare as unsigned
  if (c == 0) c = key1.size() < key2.size() ? -1 : key1.size() > key2.size() ? 1 : 0;
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

namespace {

// A row's sort key made once per sort, not once per comparison.
struct TPreparedKey {
  std::string Text;
  bool IsNumber = false;
  int32_t Number = 0;
};

int ComparePreparedKeys(const TPreparedKey& key1, const TPreparedKey& key2) {
  if (key1.IsNumber && key2.IsNumber) return key1.Number < key2.Number ? -1 : key1.Number > key2.Number ? 1 : 0;
  return ComparePresetKeys(key1.Text, key2.Text, false);
}

}  // namespace

void TPresetsInCacheForm::SortPresets() {
  int column = ListView1->Tag();
  if (column < 0 || column >= pcColumnCount) column = pcLamp;
  bool descending = IconsImageList->Tag() != 0;
  TListItems& items = ListView1->Items();
  // Indexed by the rows' places before the sort, which they keep until it is over.
  std::vector<TPreparedKey> keys(size_t(items.Count()));
  for (int i = 0; i < items.Count(); ++i) {
    keys[size_t(i)].Text = PresetSortKey(items[i], column);
    keys[size_t(i)].IsNumber = TryStrToInt(keys[size_t(i)].Text, keys[size_t(i)].Number);
  }
  // The list's sort stays within its range whatever the comparison answers: the number and text mix of the
  // keys is no strict order.
  ListView1->CustomSort([&keys, descending](TListItem* item1, TListItem* item2, intptr_t) {
    int c = ComparePreparedKeys(keys[size_t(item1->Index())], keys[size_t(item2->Index())]);
    return descending ? -c : c;
  });
}

void TPresetsInCacheForm::ShowSortImages() {
  int column = ListView1->Tag();
  bool descending = IconsImageList->Tag() != 0;
  for (int i = 0; i < ListView1->Columns()->Count(); ++i) {
    int image = -1;
    if (i == column && i != pcLamp) image = descending ? miSortReverse : miSortNormal;
    if (ListView1->Columns()->Items(i)->ImageIndex() != image) ListView1->Columns()->Items(i)->SetImageIndex(image);
  }
}

void TPresetsInCacheForm::ColumnClicked(int column) {
  if (column <= pcLamp || column >= pcColumnCount) return;
  if (column != ListView1->Tag()) IconsImageList->SetTag(0);
  else IconsImageList->SetTag(IconsImageList->Tag() ? 0 : 1);
  ListView1->SetTag(column);
  ShowSortImages();
  SortPresets();
}

void TPresetsInCacheForm::ClearPresetRows() {
  ListView1->Items().Clear();
  FCachedPresets.clear();
}

void TPresetsInCacheForm::LoadCachedPresets(const std::vector<CachedPresetRecord>& records) {
  FCachedPresets = records;
  TListItems& items = ListView1->Items();
  items.BeginUpdate();
  items.Clear();
  for (auto r = records.rbegin(); r != records.rend(); ++r) {
    // Filled before it goes in: one insert per row, no change notices.
    items.Add([r](TListItem* item) {
      item->SetImageIndex(miLedOff);
      SetLampTime(item, 0);
      item->AddSubItem(r->Channel == -1 ? "=" : std::to_string(r->Channel + 1));
      item->AddSubItem(r->Bank == 32768 ? "d" : std::to_string(r->Bank));
      item->AddSubItem(std::to_string(r->Program));
      item->AddSubItem(GetShortString(r->PresetName));
      std::string mapping = GetShortString(r->MappingName);
      item->AddSubItem(mapping == NoneMarker ? "preview" : mapping);
      item->AddSubItem(GetShortString(r->SourceFile));
      item->AddSubItem(r->SourceBank == 128 ? "d" : r->SourceBank == 200 ? "wave" : std::to_string(r->SourceBank));
      item->AddSubItem(r->SourceBank == 200 ? "" : std::to_string(r->SourcePreset));
    });
  }
  // Sorted before the list draws again: one repaint for both.
  SortPresets();
  items.EndUpdate();
  ActionList1->UpdateActions();
}

void TPresetsInCacheForm::ClearCachedPresets() {
  ClearPresetRows();
  StatusBar1->Panels()->Items(1)->SetText("");
  ActionList1->UpdateActions();
}

void TPresetsInCacheForm::SetRouteList(const std::vector<std::string>& captions) {
  // Emptying and refilling the list is no choice of the user's: it sends no route selection.
  FFillingRoutes = true;
  TListItems& items = ListView2->Items();
  items.BeginUpdate();
  items.Clear();
  for (const std::string& caption : captions) items.Add()->SetCaption(caption);
  items.EndUpdate();
  FFillingRoutes = false;
  ActionList1->UpdateActions();
}

std::vector<std::string> TPresetsInCacheForm::Routes() const {
  std::vector<std::string> captions;
  TListView* list = ListView2;
  for (int i = 0; i < list->Items().Count(); ++i) captions.push_back(list->Items()[i]->Caption());
  return captions;
}

int32_t TPresetsInCacheForm::SelectedRoute() {
  TListItem* item = ListView2->Selected();
  return item ? item->Index() : -1;
}

void TPresetsInCacheForm::SelectRoute(int32_t row) {
  if (row < 0 || row >= ListView2->Items().Count()) return;
  TListItem* item = ListView2->Items()[row];
  ListView2->SetSelected(item);
  ListView2->SetItemFocused(item);
  ActionList1->UpdateActions();
}

void TPresetsInCacheForm::RouteSelected(TListItem* item, bool selected) {
  if (FFillingRoutes || !selected || !item) return;
  if (ServerLink) ServerLink->SendString(item->Caption(), WM_TB_SELECT_ROUTE);
  Timer1->SetEnabled(item->Caption() != NoInfoRoute);
  ActionList1->UpdateActions();
}

void TPresetsInCacheForm::PresetChanged(const TPresetReport& report) {
  FLastPresetChange = report;
  std::string bank = BankText(report.Bank), program = std::to_string(report.Program);
  std::string channel = std::to_string(report.Channel + 1);
  TListItems& items = ListView1->Items();
  TListItem* row = nullptr;
  for (int i = items.Count() - 1; i >= 0 && !row; --i)
    if (items[i]->SubItem(pcBank - 1) == bank && items[i]->SubItem(pcProgram - 1) == program) row = items[i];
  if (!row) return;
  row->SetSubItem(pcChannel - 1, channel);
  for (int i = 0; i < items.Count(); ++i)
    if (items[i] != row && items[i]->SubItem(pcChannel - 1) == channel) items[i]->SetSubItem(pcChannel - 1, "=");
  SortPresets();
}

void TPresetsInCacheForm::NoteOnLamp(const TPresetReport& report) {
  FLastNoteOn = report;
  TListItem* row = LampRow(ListView1, report);
  if (!row) return;
  SetLampTime(row, 0);
  row->SetImageIndex(miLedOn);
  std::string channel = std::to_string(report.Channel + 1);
  if (row->SubItem(pcChannel - 1) != channel) row->SetSubItem(pcChannel - 1, channel);
}

void TPresetsInCacheForm::NoteOffLamp(const TPresetReport& report) {
  FLastNoteOff = report;
  TListItem* row = LampRow(ListView1, report);
  if (!row) return;
  // 0 means no afterglow: a tick count of 0 is taken as 1.
  DWORD now = GetTickCount();
  SetLampTime(row, now ? now : 1);
  row->SetImageIndex(miLedAfterglow);
}

void TPresetsInCacheForm::LampTimer() {
  DWORD now = GetTickCount();
  TListItems& items = ListView1->Items();
  for (int i = 0; i < items.Count(); ++i) {
    TListItem* item = items[i];
    DWORD since = LampTime(item);
    // Unsigned difference: right across the tick count's wrap.
    if (since != 0 && DWORD(now - since) > LampAfterglowMs) {
      SetLampTime(item, 0);
      item->SetImageIndex(miLedOff);
    }
  }
}

void TPresetsInCacheForm::UnloadPresets(bool all) {
  TListItems& items = ListView1->Items();
  for (int i = items.Count() - 1; i >= 0; --i) {
    TListItem* item = items[i];
    if (!all && !item->Selected()) continue;
    int32_t bank = StrToIntDef(item->SubItem(pcBank - 1), 128);
    int32_t program = StrToIntDef(item->SubItem(pcProgram - 1), 0);
    if (ServerLink) ServerLink->Post(WM_TB_UNLOAD_PRESET, WPARAM(bank), LPARAM(program));
  }
}
