#pragma once
// One form's window placement in a sectioned store, and store access that works for either kind of store.
#include <string>

#include "component.h"
#include "form.h"
#include "ini_stores.h"

// "Software\" + the program's file name without folder and extension.
std::string GetDefaultIniRegKey();
// The program's full path with the extension ".INI".
std::string GetDefaultIniName();
// A form's class name; another component's name prefixed by its form's class name (or its parent's name).
std::string GetDefaultSection(ui::TComponent* component);

// Dispatch on the store's kind; a store of neither kind reads the default and writes nothing.
std::string IniReadString(ui::TCustomIniStore* store, const std::string& section, const std::string& ident,
                          const std::string& def);
// The ini form keeps quotes: a text quoted at both ends gets one more pair of double quotes.
void IniWriteString(ui::TCustomIniStore* store, const std::string& section, const std::string& ident,
                    const std::string& value);
int IniReadInteger(ui::TCustomIniStore* store, const std::string& section, const std::string& ident, int def);
void IniWriteInteger(ui::TCustomIniStore* store, const std::string& section, const std::string& ident, int value);
void IniEraseSection(ui::TCustomIniStore* store, const std::string& section);

// Positions are stored twice: under the plain name and under the name with "(width x height)" of the screen.
std::string ReadPosStr(ui::TCustomIniStore* store, const std::string& section, const std::string& ident);
void WritePosStr(ui::TCustomIniStore* store, const std::string& section, const std::string& ident,
                 const std::string& value);

// Writes nothing when the form has no window or its placement cannot be read.
void WriteFormPlacement(ui::TForm* form, ui::TCustomIniStore* store, const std::string& section);
void ReadFormPlacement(ui::TForm* form, ui::TCustomIniStore* store, const std::string& section, bool loadState,
                       bool loadPosition);
