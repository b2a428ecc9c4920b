#pragma once
// TFormPlacement keeps its form's window placement in a store section: saved when the form closes,
// restored when it is shown. TFormStorage adds chosen component properties and named free values.
#include <functional>
#include <memory>
#include <string>

#include "KitHook.h"
#include "collection.h"
#include "component.h"
#include "form.h"
#include "ini_stores.h"
#include "strings.h"

class TFormPlacement;
class TFormStorage;

enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };
enum TPlacementOption { fpState, fpPosition, fpActiveControl };
constexpr ui::TSet32 kDefaultPlacementOptions = (1u << fpState) | (1u << fpPosition);

// Tracking limits of the form; a value of 0 leaves the system's value.
class TWinMinMaxInfo : public ui::TPersistent {
  UI_CLASS(TWinMinMaxInfo, ui::TPersistent)
 public:
  explicit TWinMinMaxInfo(TFormPlacement* owner) : FOwner(owner) {}
  void Assign(const ui::TPersistent* source) override;
  bool DefaultMinMaxInfo() const;
  const MINMAXINFO& Info() const { return FInfo; }

  int MaxPosLeft() const { return FInfo.ptMaxPosition.x; }
  int MaxPosTop() const { return FInfo.ptMaxPosition.y; }
  int MaxSizeHeight() const { return FInfo.ptMaxSize.y; }
  int MaxSizeWidth() const { return FInfo.ptMaxSize.x; }
  int MaxTrackHeight() const { return FInfo.ptMaxTrackSize.y; }
  int MaxTrackWidth() const { return FInfo.ptMaxTrackSize.x; }
  int MinTrackHeight() const { return FInfo.ptMinTrackSize.y; }
  int MinTrackWidth() const { return FInfo.ptMinTrackSize.x; }
  void SetMaxPosLeft(int v) { SetField(FInfo.ptMaxPosition.x, v); }
  void SetMaxPosTop(int v) { SetField(FInfo.ptMaxPosition.y, v); }
  void SetMaxSizeHeight(int v) { SetField(FInfo.ptMaxSize.y, v); }
  void SetMaxSizeWidth(int v) { SetField(FInfo.ptMaxSize.x, v); }
  void SetMaxTrackHeight(int v) { SetField(FInfo.ptMaxTrackSize.y, v); }
  void SetMaxTrackWidth(int v) { SetField(FInfo.ptMaxTrackSize.x, v); }
  void SetMinTrackHeight(int v) { SetField(FInfo.ptMinTrackSize.y, v); }
  void SetMinTrackWidth(int v) { SetField(FInfo.ptMinTrackSize.x, v); }

 private:
  void SetField(LONG& field, int v);
  TFormPlacement* FOwner;
  MINMAXINFO FInfo{};
};

using TStoredValueEvent = std::function<void(ui::TObject* sender, ui::TVariant& value)>;

class TStoredValue : public ui::TCollectionItem {
  UI_CLASS(TStoredValue, ui::TCollectionItem)
 public:
  explicit TStoredValue(ui::TCollection* collection) : TCollectionItem(collection) {}
  void Assign(const ui::TPersistent* source) override;
  std::string DisplayName() const override;
  void SetDisplayName(const std::string& value) override;

  const std::string& Name() const { return FName; }
  // A name that another value of the collection has (case-blind) raises EStringListError.
  void SetName(const std::string& name) { SetDisplayName(name); }
  const ui::TVariant& Value() const { return FValue; }
  void SetValue(const ui::TVariant& v) { FValue = v; }
  const std::string& KeyString() const { return FKeyString; }
  void SetKeyString(const std::string& v) { FKeyString = v; }
  TStoredValueEvent OnSave, OnRestore;

  void Save();
  void Restore();

 private:
  TFormStorage* Storage() const;
  std::string FName;
  ui::TVariant FValue;
  std::string FKeyString;
};

class TStoredValues : public ui::TOwnedCollection {
  UI_CLASS(TStoredValues, ui::TOwnedCollection)
 public:
  explicit TStoredValues(TFormStorage* storage);
  TFormStorage* Storage() const { return FStorage; }
  TStoredValue* Items(int index) const { return static_cast<TStoredValue*>(TCollection::Items(index)); }
  TStoredValue* Add() { return static_cast<TStoredValue*>(TCollection::Add()); }
  // Case-blind; -1 when absent.
  int IndexOf(const std::string& name) const;
  TStoredValue* StoredValue(const std::string& name) const;
  void SaveValues();
  void RestoreValues();

 private:
  TFormStorage* FStorage;
};

class TFormPlacement : public ui::TComponent {
  UI_CLASS(TFormPlacement, ui::TComponent)
 public:
  explicit TFormPlacement(ui::TComponent* owner);
  ~TFormPlacement() override;

  bool Active() const { return FActive; }
  void SetActive(bool v) { FActive = v; }
  // Empty fields give the defaults: the program's key or ini file, and the owner's section.
  std::string IniFileName() const;
  void SetIniFileName(const std::string& v) { FIniFileName = v; }
  std::string IniSection() const;
  void SetIniSection(const std::string& v) { FIniSection = v; }
  bool UseRegistry() const { return FUseRegistry; }
  void SetUseRegistry(bool v) { FUseRegistry = v; }
  TPlacementRegRoot RegistryRoot() const { return FRegistryRoot; }
  void SetRegistryRoot(TPlacementRegRoot v) { FRegistryRoot = v; }
  ui::TSet32 Options() const { return FOptions; }
  void SetOptions(ui::TSet32 v) { FOptions = v; }
  int Version() const { return FVersion; }
  void SetVersion(int v) { FVersion = v; }
  bool PreventResize() const { return FPreventResize; }
  void SetPreventResize(bool v);
  TWinMinMaxInfo* MinMaxInfo() { return &FMinMaxInfo; }
  void SetMinMaxInfo(TWinMinMaxInfo* v) { FMinMaxInfo.Assign(v); }
  // The store while an operation runs; nullptr otherwise.
  ui::TCustomIniStore* Store() const { return FStore.get(); }

  void SaveAll();
  void RestoreAll();
  std::string ReadString(const std::string& ident, const std::string& def);
  void WriteString(const std::string& ident, const std::string& value);
  int ReadInteger(const std::string& ident, int def);
  void WriteInteger(const std::string& ident, int value);

  ui::TNotifyEvent OnSavePlacement, OnRestorePlacement;

  void Loaded() override;
  // Re-applies the placement with the maximised position of the form's border (not with tracking limits).
  void UpdatePlacement();
  // Called when MinMaxInfo changed.
  void MinMaxInfoChanged();

 protected:
  virtual void SavePlacement();
  virtual void RestorePlacement();
  virtual std::string DoReadString(const std::string& section, const std::string& ident, const std::string& def);
  virtual void DoWriteString(const std::string& section, const std::string& ident, const std::string& value);
  virtual void Save();
  virtual void Restore();
  void Destroying() override;
  ui::TForm* Form() const;
  bool Restored() const { return FRestored; }
  void SetRestored(bool v) { FRestored = v; }
  void OpenStore();
  void CloseStore();

 private:
  void FormShow(ui::TObject* sender);
  void FormCloseQuery(ui::TObject* sender, bool& canClose);
  void FormDestroy(ui::TObject* sender);
  void MessageFilter(ui::TMessage& msg);
  void CheckToggleHook();
  void CheckMinMaxInfo();
  void RestoreEvents();
  // Runs op; a failure goes to the application's exception report.
  void Guarded(const std::function<void()>& op);

  bool FActive = true;
  std::string FIniFileName, FIniSection;
  bool FUseRegistry = false;
  TPlacementRegRoot FRegistryRoot = prCurrentUser;
  ui::TSet32 FOptions = 0;
  int FVersion = 0;
  bool FSaved = false, FRestored = false, FDestroying = false;
  bool FPreventResize = false;
  bool FDefMaximize = false;
  bool FHandlersInstalled = false;
  TWinMinMaxInfo FMinMaxInfo{this};
  std::unique_ptr<ui::TCustomIniStore> FStore;
  TKitWindowHook* FWinHook = nullptr;
  ui::TNotifyEvent FSaveFormShow, FSaveFormDestroy;
  ui::TCloseQueryEvent FSaveFormCloseQuery;
};

class TFormStorage : public TFormPlacement {
  UI_CLASS(TFormStorage, TFormPlacement)
 public:
  explicit TFormStorage(ui::TComponent* owner);
  ~TFormStorage() override;

  ui::TStrings* StoredProps() { return &FStoredProps; }
  void SetStoredProps(ui::TStrings* v);
  TStoredValues* StoredValues() { return FStoredValues.get(); }
  void SetStoredValues(TStoredValues* v) { FStoredValues->Assign(v); }

  void SaveProperties();
  void RestoreProperties();
  void Loaded() override;
  void Notification(ui::TComponent* component, ui::TOperation operation) override;
  // Lines follow their components' current names before the list is written out.
  void WriteState();

 protected:
  void SavePlacement() override;
  void RestorePlacement() override;
  void Destroying() override;

 private:
  friend class TStoredValue;
  ui::TStrings FStoredProps;
  std::unique_ptr<TStoredValues> FStoredValues;
};
