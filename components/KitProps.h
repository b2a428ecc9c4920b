#pragma once
// Property storage: chosen published properties of a form's components as texts in a sectioned
// store, reached only through three hooks (read, write, erase section).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collection.h"
#include "component.h"
#include "strings.h"

// The published properties of one object.
class TPropInfoList {
 public:
  // A null object gives an empty list.
  explicit TPropInfoList(const ui::TObject* object);
  int Count() const { return int(FList.size()); }
  const ui::TPropInfo* Items(int index) const { return FList.at(size_t(index)); }
  // Case-blind; nullptr when absent.
  const ui::TPropInfo* Find(const std::string& name) const;

 private:
  std::vector<const ui::TPropInfo*> FList;
};

using TReadStrEvent =
    std::function<std::string(const std::string& section, const std::string& item, const std::string& def)>;
using TWriteStrEvent =
    std::function<void(const std::string& section, const std::string& item, const std::string& value)>;
using TEraseSectEvent = std::function<void(const std::string& section)>;

class TPropsStorage {
 public:
  TPropsStorage() = default;
  virtual ~TPropsStorage() = default;
  TPropsStorage(const TPropsStorage&) = delete;
  TPropsStorage& operator=(const TPropsStorage&) = delete;

  ui::TObject* AObject() const { return FObject; }
  void SetAObject(ui::TObject* object) { FObject = object; }
  std::string Prefix;
  std::string Section;
  TReadStrEvent OnReadString;
  TWriteStrEvent OnWriteString;
  TEraseSectEvent OnEraseSection;

  // Without a reader the result is empty, not the default.
  virtual std::string ReadString(const std::string& section, const std::string& item, const std::string& def);
  virtual void WriteString(const std::string& section, const std::string& item, const std::string& value);
  virtual void EraseSection(const std::string& section);
  virtual std::string GetItemName(const std::string& name);
  // A storage for nested objects and collection items.
  virtual std::unique_ptr<TPropsStorage> CreateStorage();

  // One property of the current object.
  void StoreAnyProperty(const ui::TPropInfo* prop);
  // Never raises: a failing load leaves the property as it was.
  void LoadAnyProperty(const ui::TPropInfo* prop);

  // Every property the list names ("Component.Property" lines resolved by SyncStoredList).
  void SaveComponentProps(ui::TComponent* owner, ui::TStrings* list);
  void LoadComponentProps(ui::TComponent* owner, ui::TStrings* list);
  // Drops lines that do not parse or name no component. From the form side the components are looked up
  // by name; from the component side each line takes its component's current name.
  void SyncStoredList(ui::TComponent* owner, ui::TStrings* list, bool fromForm);

 private:
  std::string StoreValue(const ui::TPropInfo* prop, const ui::TPropValue& v) const;
  void LoadValue(const ui::TPropInfo* prop, const std::string& text);
  void StoreClassProperty(const ui::TPropInfo* prop);
  void LoadClassProperty(const ui::TPropInfo* prop, const std::string& text);
  void StoreStrings(const ui::TPropInfo* prop, ui::TStrings* list);
  void LoadStrings(const ui::TPropInfo* prop, ui::TStrings* list);
  void StoreCollection(const ui::TPropInfo* prop, ui::TCollection* collection);
  void LoadCollection(const ui::TPropInfo* prop, ui::TCollection* collection);
  std::string ComponentReference(ui::TComponent* component) const;
  void LoadComponentReference(const ui::TPropInfo* prop, const std::string& text);
  // A storage for `object`, sharing this one's hooks, owner and chain of objects being stored.
  std::unique_ptr<TPropsStorage> NestedStorage(ui::TObject* object, const std::string& section,
                                               const std::string& prefix);
  void StoreObjectProps(ui::TObject* object, const std::string& section, const std::string& prefix);
  void LoadObjectProps(ui::TObject* object, const std::string& section, const std::string& prefix);
  bool BeingStored(const ui::TObject* object) const;
  void ForEachListed(ui::TComponent* owner, ui::TStrings* list, bool load);

  ui::TObject* FObject = nullptr;
  ui::TComponent* FOwner = nullptr;
  // The objects whose properties are being stored or loaded, outermost first: a nested object that
  // refers back to one of them is not entered again.
  std::vector<const ui::TObject*> FChain;
};

// Splits "Component.Property" at its first point; false when either trimmed half is empty.
bool ParseStoredItem(const std::string& item, std::string& componentName, std::string& propName);
// "Component.Property", or empty when either name is empty.
std::string CreateStoredItem(const std::string& componentName, const std::string& propName);
// The screen's form with that name (case-blind); nullptr when there is none.
ui::TComponent* FindGlobalComponent(const std::string& name);
