#include "KitPlacement.h"

#include "KitAppUtils.h"
#include "KitProps.h"
#include "KitStrUtils.h"
#include "application.h"
#include "str_to_int.h"
#include "sys_utils.h"
#include "text_compare.h"

using namespace ui;

UI_CLASSINFO(TWinMinMaxInfo, UI_PROP(Integer, "MaxPosLeft", MaxPosLeft, SetMaxPosLeft),
             UI_PROP(Integer, "MaxPosTop", MaxPosTop, SetMaxPosTop),
             UI_PROP(Integer, "MaxSizeHeight", MaxSizeHeight, SetMaxSizeHeight),
             UI_PROP(Integer, "MaxSizeWidth", MaxSizeWidth, SetMaxSizeWidth),
             UI_PROP(Integer, "MaxTrackHeight", MaxTrackHeight, SetMaxTrackHeight),
             UI_PROP(Integer, "MaxTrackWidth", MaxTrackWidth, SetMaxTrackWidth),
             UI_PROP(Integer, "MinTrackHeight", MinTrackHeight, SetMinTrackHeight),
             UI_PROP(Integer, "MinTrackWidth", MinTrackWidth, SetMinTrackWidth))
UI_CLASSINFO(TStoredValue, UI_PROP(String, "Name", Name, SetName), UI_PROP(Variant, "Value", Value, SetValue),
             UI_PROP(String, "KeyString", KeyString, SetKeyString))
UI_CLASSINFO(TStoredValues)
UI_CLASSINFO(TFormPlacement, UI_PROP_BOOL("Active", Active, SetActive),
             UI_PROP(String, "IniFileName", IniFileName, SetIniFileName),
             UI_PROP(String, "IniSection", IniSection, SetIniSection),
             UI_PROP_BOOL("UseRegistry", UseRegistry, SetUseRegistry),
             UI_PROP_ENUM("RegistryRoot", RegistryRoot, SetRegistryRoot, "prCurrentUser", "prLocalMachine",
                          "prCurrentConfig", "prClassesRoot", "prUsers", "prDynData"),
             UI_PROP_SET("Options", Options, SetOptions, "fpState", "fpPosition", "fpActiveControl"),
             UI_PROP(Integer, "Version", Version, SetVersion),
             UI_PROP_BOOL("PreventResize", PreventResize, SetPreventResize),
             UI_PROP_CLASS("MinMaxInfo", MinMaxInfo, SetMinMaxInfo, TWinMinMaxInfo))
UI_CLASSINFO(TFormStorage, UI_PROP_CLASS("StoredProps", StoredProps, SetStoredProps, TStrings),
             UI_PROP_CLASS("StoredValues", StoredValues, SetStoredValues, TStoredValues))

// ---- TWinMinMaxInfo ----

void TWinMinMaxInfo::SetField(LONG& field, int v) {
  if (field == v) return;
  field = v;
  if (FOwner) FOwner->MinMaxInfoChanged();
}

void TWinMinMaxInfo::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TWinMinMaxInfo*>(source)) {
    FInfo = other->FInfo;
    if (FOwner) FOwner->MinMaxInfoChanged();
    return;
  }
  TPersistent::Assign(source);
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  return !FInfo.ptMaxPosition.x && !FInfo.ptMaxPosition.y && !FInfo.ptMaxSize.x && !FInfo.ptMaxSize.y &&
         !FInfo.ptMaxTrackSize.x && !FInfo.ptMaxTrackSize.y && !FInfo.ptMinTrackSize.x && !FInfo.ptMinTrackSize.y;
}

// ---- TStoredValue ----

TFormStorage* TStoredValue::Storage() const {
  auto* values = dynamic_cast<TStoredValues*>(Collection());
  return values ? values->Storage() : nullptr;
}

std::string TStoredValue::DisplayName() const { return FName.empty() ? TCollectionItem::DisplayName() : FName; }

void TStoredValue::SetDisplayName(const std::string& value) {
  if (!value.empty() && !AnsiSameText(value, FName)) {
    auto* values = dynamic_cast<TStoredValues*>(Collection());
    if (values && values->IndexOf(value) >= 0) throw EStringListError("String list does not allow duplicates");
  }
  FName = value;
  TCollectionItem::SetDisplayName(value);
}

void TStoredValue::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TStoredValue*>(source)) {
    FValue = other->FValue.Empty ? TVariant() : other->FValue;
    SetName(other->FName);
    FKeyString = other->FKeyString;
    return;
  }
  TCollectionItem::Assign(source);
}

void TStoredValue::Save() {
  TFormStorage* storage = Storage();
  if (!storage) return;
  TVariant value = FValue;
  if (OnSave) OnSave(this, value);
  std::string text = value.Text;
  if (!FKeyString.empty()) text = XorEncode(FKeyString, text);
  storage->WriteString(FName, text);
}

void TStoredValue::Restore() {
  TFormStorage* storage = Storage();
  if (!storage) return;
  std::string def = FValue.Text;
  if (!FKeyString.empty()) def = XorEncode(FKeyString, def);
  std::string text = storage->ReadString(FName, def);
  if (!FKeyString.empty()) text = XorDecode(FKeyString, text);
  TVariant value(text);
  if (OnRestore) OnRestore(this, value);
  FValue = value;
}

// ---- TStoredValues ----

TStoredValues::TStoredValues(TFormStorage* storage)
    : TOwnedCollection(storage, [](TCollection* c) { return new TStoredValue(c); }), FStorage(storage) {}

int TStoredValues::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

TStoredValue* TStoredValues::StoredValue(const std::string& name) const {
  int i = IndexOf(name);
  return i >= 0 ? Items(i) : nullptr;
}

void TStoredValues::SaveValues() {
  for (int i = 0; i < Count(); ++i) Items(i)->Save();
}

void TStoredValues::RestoreValues() {
  for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

// ---- TFormPlacement ----

TFormPlacement::TFormPlacement(TComponent* owner) : TComponent(owner) {
  FOptions = dynamic_cast<TForm*>(owner) ? kDefaultPlacementOptions : 0;
  FWinHook = new TKitWindowHook(this);
  FWinHook->AfterMessage = [this](TObject*, TMessage& msg, bool&) { MessageFilter(msg); };
  FWinHook->UnHookControl();
}

TFormPlacement::~TFormPlacement() = default;

TForm* TFormPlacement::Form() const { return dynamic_cast<TForm*>(Owner()); }

std::string TFormPlacement::IniFileName() const {
  if (!FIniFileName.empty()) return FIniFileName;
  return FUseRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::string TFormPlacement::IniSection() const {
  if (!FIniSection.empty()) return FIniSection;
  return GetDefaultSection(Owner());
}

void TFormPlacement::Loaded() {
  bool wasLoading = IsLoading();
  TComponent::Loaded();
  if (!wasLoading && FHandlersInstalled) return;
  if (TForm* form = Form()) {
    if (!FHandlersInstalled) {
      FHandlersInstalled = true;
      FSaveFormShow = form->OnShow;
      FSaveFormCloseQuery = form->OnCloseQuery;
      FSaveFormDestroy = form->OnDestroy;
      form->OnShow = [this](TObject* s) { FormShow(s); };
      form->OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
      form->OnDestroy = [this](TObject* s) { FormDestroy(s); };
      FDefMaximize = (form->BorderIcons() & (1u << biMaximize)) != 0;
    }
    if (FPreventResize) CheckMinMaxInfo();
  }
  CheckToggleHook();
}

void TFormPlacement::RestoreEvents() {
  TForm* form = Form();
  if (!form || !FHandlersInstalled) return;
  FHandlersInstalled = false;
  form->OnShow = FSaveFormShow;
  form->OnCloseQuery = FSaveFormCloseQuery;
  form->OnDestroy = FSaveFormDestroy;
}

void TFormPlacement::Destroying() {
  CloseStore();
  if (FWinHook) FWinHook->UnHookControl();
  RestoreEvents();
  TComponent::Destroying();
}

void TFormPlacement::CheckToggleHook() {
  TForm* form = Form();
  if (!form) return;
  if (FPreventResize || !FMinMaxInfo.DefaultMinMaxInfo()) {
    FWinHook->SetWinControl(form);
    FWinHook->HookControl();
  } else {
    FWinHook->UnHookControl();
  }
}

void TFormPlacement::Guarded(const std::function<void()>& op) {
  try {
    op();
  } catch (...) {
    Application().HandleException(this);
  }
}

void TFormPlacement::FormShow(TObject* sender) {
  if (FActive) Guarded([this] { RestoreAll(); });
  if (FSaveFormShow) FSaveFormShow(sender);
}

void TFormPlacement::FormCloseQuery(TObject* sender, bool& canClose) {
  if (FSaveFormCloseQuery) FSaveFormCloseQuery(sender, canClose);
  TForm* form = Form();
  if (canClose && FActive && form && form->HandleAllocated()) Guarded([this] { SaveAll(); });
}

void TFormPlacement::FormDestroy(TObject* sender) {
  if (FActive && !FSaved) {
    FDestroying = true;
    Guarded([this] { SaveAll(); });
    FDestroying = false;
  }
  if (FSaveFormDestroy) FSaveFormDestroy(sender);
}

void TFormPlacement::OpenStore() {
  if (FStore) return;
  if (FUseRegistry) {
    auto reg = std::make_unique<TRegIniFile>(IniFileName());
    static const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CURRENT_CONFIG,
                                 HKEY_CLASSES_ROOT, HKEY_USERS,         HKEY_DYN_DATA};
    if (FRegistryRoot != prCurrentUser) reg->SetRootKey(roots[FRegistryRoot]);
    FStore = std::move(reg);
  } else {
    FStore = std::make_unique<TIniFile>(IniFileName());
  }
}

void TFormPlacement::CloseStore() { FStore.reset(); }

std::string TFormPlacement::DoReadString(const std::string& section, const std::string& ident,
                                         const std::string& def) {
  return IniReadString(FStore.get(), section, ident, def);
}

void TFormPlacement::DoWriteString(const std::string& section, const std::string& ident, const std::string& value) {
  IniWriteString(FStore.get(), section, ident, value);
}

std::string TFormPlacement::ReadString(const std::string& ident, const std::string& def) {
  if (FStore) return DoReadString(IniSection(), ident, def);
  OpenStore();
  struct TClose {
    TFormPlacement* P;
    ~TClose() { P->CloseStore(); }
  } close{this};
  return DoReadString(IniSection(), ident, def);
}

void TFormPlacement::WriteString(const std::string& ident, const std::string& value) {
  if (FStore) return DoWriteString(IniSection(), ident, value);
  OpenStore();
  struct TClose {
    TFormPlacement* P;
    ~TClose() { P->CloseStore(); }
  } close{this};
  DoWriteString(IniSection(), ident, value);
}

int TFormPlacement::ReadInteger(const std::string& ident, int def) {
  return StrToIntDef(Trim(ReadString(ident, Format("%d", def))), def);
}

void TFormPlacement::WriteInteger(const std::string& ident, int value) { WriteString(ident, Format("%d", value)); }

void TFormPlacement::Save() {
  if (OnSavePlacement) OnSavePlacement(this);
}

void TFormPlacement::Restore() {
  if (OnRestorePlacement) OnRestorePlacement(this);
}

void TFormPlacement::SavePlacement() {
  TForm* form = Form();
  if (!form) return;
  std::string section = IniSection();
  WriteFormPlacement(form, FStore.get(), section);
  if ((FOptions & (1u << fpActiveControl)) && form->ActiveControl())
    IniWriteString(FStore.get(), section, "ActiveControl", form->ActiveControl()->Name());
  IniWriteString(FStore.get(), section, "Visible", FDestroying ? "1" : "0");
}

void TFormPlacement::RestorePlacement() {
  if (TForm* form = Form())
    ReadFormPlacement(form, FStore.get(), IniSection(), (FOptions & (1u << fpState)) != 0,
                      (FOptions & (1u << fpPosition)) != 0);
}

void TFormPlacement::SaveAll() {
  if (!FRestored && FActive) return;
  OpenStore();
  struct TClose {
    TFormPlacement* P;
    ~TClose() { P->CloseStore(); }
  } close{this};
  IniWriteInteger(FStore.get(), IniSection(), "FormVersion", FVersion);
  SavePlacement();
  Save();
  FSaved = true;
}

void TFormPlacement::RestoreAll() {
  FSaved = false;
  {
    OpenStore();
    struct TClose {
      TFormPlacement* P;
      ~TClose() { P->CloseStore(); }
    } close{this};
    if (IniReadInteger(FStore.get(), IniSection(), "FormVersion", 0) >= FVersion) {
      RestorePlacement();
      FRestored = true;
      Restore();
      TForm* form = Form();
      if ((FOptions & (1u << fpActiveControl)) && form) {
        std::string name = IniReadString(FStore.get(), IniSection(), "ActiveControl", std::string());
        auto* control = name.empty() ? nullptr : dynamic_cast<TWinControl*>(form->FindComponent(name));
        if (control && control->CanFocus()) form->SetActiveControl(control);
      }
    }
    FRestored = true;
  }
  UpdatePlacement();
}

void TFormPlacement::UpdatePlacement() {
  TForm* form = Form();
  if (!form || !form->HandleAllocated() || IsLoading() || FPreventResize || !FMinMaxInfo.DefaultMinMaxInfo())
    return;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(form->Handle(), &wp)) return;
  if (!IsWindowVisible(form->Handle())) wp.showCmd = SW_HIDE;
  int metric = -1;
  switch (form->BorderStyle()) {
    case bsSingle: case bsToolWindow: metric = SM_CXBORDER; break;
    case bsSizeable: case bsSizeToolWin: metric = SM_CXFRAME; break;
    case bsDialog: metric = SM_CXDLGFRAME; break;
    case bsNone: break;
  }
  wp.ptMaxPosition = metric < 0 ? POINT{0, 0}
                                : POINT{-GetSystemMetrics(metric), -GetSystemMetrics(metric + 1)};
  SetWindowPlacement(form->Handle(), &wp);
}

void TFormPlacement::MinMaxInfoChanged() {
  UpdatePlacement();
  if (!IsLoading()) CheckToggleHook();
}

void TFormPlacement::SetPreventResize(bool v) {
  if (!Form() || v == FPreventResize) return;
  FPreventResize = v;
  UpdatePlacement();
  CheckMinMaxInfo();
}

void TFormPlacement::CheckMinMaxInfo() {
  TForm* form = Form();
  if (!form) return;
  if (FPreventResize) FDefMaximize = (form->BorderIcons() & (1u << biMaximize)) != 0;
  bool active = FActive;
  FActive = false;
  TSet32 icons = form->BorderIcons();
  if (!FPreventResize && FDefMaximize && form->BorderStyle() != bsDialog)
    icons |= 1u << biMaximize;
  else
    icons &= ~(1u << biMaximize);
  form->SetBorderIcons(icons);
  FActive = active;
  if (!IsLoading()) CheckToggleHook();
}

void TFormPlacement::MessageFilter(TMessage& msg) {
  TForm* form = Form();
  if (!form) return;
  if (FPreventResize) {
    switch (msg.Msg) {
      case WM_GETMINMAXINFO:
        if (form->HandleAllocated() && IsWindowVisible(form->Handle())) {
          auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
          info->ptMinTrackSize = POINT{form->Width(), form->Height()};
          info->ptMaxTrackSize = POINT{form->Width(), form->Height()};
        }
        msg.Result = 1;
        break;
      case WM_INITMENUPOPUP:
        if (HIWORD(msg.LParam) != 0) {
          HMENU menu = reinterpret_cast<HMENU>(msg.WParam);
          EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
          EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
          msg.Result = 1;
        }
        break;
      case WM_NCHITTEST:
        if (msg.Result >= HTLEFT && msg.Result <= HTBOTTOMRIGHT) msg.Result = HTNOWHERE;
        break;
      default:
        break;
    }
  } else if (msg.Msg == WM_GETMINMAXINFO) {
    auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
    const MINMAXINFO& mine = FMinMaxInfo.Info();
    if (!FMinMaxInfo.DefaultMinMaxInfo()) {
      auto take = [](LONG& field, LONG v) {
        if (v) field = v;
      };
      take(info->ptMaxPosition.x, mine.ptMaxPosition.x);
      take(info->ptMaxPosition.y, mine.ptMaxPosition.y);
      take(info->ptMaxSize.x, mine.ptMaxSize.x);
      take(info->ptMaxSize.y, mine.ptMaxSize.y);
      take(info->ptMaxTrackSize.x, mine.ptMaxTrackSize.x);
      take(info->ptMaxTrackSize.y, mine.ptMaxTrackSize.y);
      take(info->ptMinTrackSize.x, mine.ptMinTrackSize.x);
      take(info->ptMinTrackSize.y, mine.ptMinTrackSize.y);
    } else {
      info->ptMaxPosition = POINT{0, 0};
    }
    msg.Result = 1;
  }
}

// ---- TFormStorage ----

TFormStorage::TFormStorage(TComponent* owner)
    : TFormPlacement(owner), FStoredValues(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() = default;

void TFormStorage::SetStoredProps(TStrings* v) {
  FStoredProps.Assign(v);
  for (int i = 0; i < FStoredProps.Count(); ++i)
    if (auto* c = dynamic_cast<TComponent*>(FStoredProps.Objects(i))) c->FreeNotification(this);
}

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  TPropsStorage sync;
  sync.SyncStoredList(Owner(), &FStoredProps, true);
  for (int i = 0; i < FStoredProps.Count(); ++i)
    if (auto* c = dynamic_cast<TComponent*>(FStoredProps.Objects(i))) c->FreeNotification(this);
}

void TFormStorage::Notification(TComponent* component, TOperation operation) {
  TFormPlacement::Notification(component, operation);
  if (operation != opRemove || IsDestroying()) return;
  for (int i = FStoredProps.Count() - 1; i >= 0; --i)
    if (FStoredProps.Objects(i) == component) FStoredProps.Delete(i);
}

void TFormStorage::WriteState() {
  TPropsStorage sync;
  sync.SyncStoredList(Owner(), &FStoredProps, false);
}

void TFormStorage::Destroying() {
  FStoredProps.Clear();
  FStoredValues->Clear();
  TFormPlacement::Destroying();
}

void TFormStorage::SavePlacement() {
  TFormPlacement::SavePlacement();
  SaveProperties();
  FStoredValues->SaveValues();
}

void TFormStorage::RestorePlacement() {
  TFormPlacement::RestorePlacement();
  SetRestored(true);
  RestoreProperties();
  FStoredValues->RestoreValues();
}

void TFormStorage::SaveProperties() {
  TPropsStorage storage;
  storage.Section = IniSection();
  storage.OnWriteString = [this](const std::string& s, const std::string& i, const std::string& v) {
    DoWriteString(s, i, v);
  };
  storage.OnEraseSection = [this](const std::string& s) { IniEraseSection(Store(), s); };
  storage.SaveComponentProps(Owner(), &FStoredProps);
}

void TFormStorage::RestoreProperties() {
  TPropsStorage storage;
  storage.Section = IniSection();
  storage.OnReadString = [this](const std::string& s, const std::string& i, const std::string& d) {
    return DoReadString(s, i, d);
  };
  try {
    storage.LoadComponentProps(Owner(), &FStoredProps);
  } catch (...) {
    // Stored properties are optional: the rest of the restore goes on.
  }
}
