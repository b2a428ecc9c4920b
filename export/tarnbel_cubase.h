#pragma once
// The Cubase module device files the exporters copy and patch, kept as program resources.
#include <windows.h>

#include <cstddef>
#include <string>

constexpr size_t CubaseDriverTemplateSize = 32004;    // "CUBASE_DRV": twelve banks per file
constexpr size_t CubaseSeparatorTemplateSize = 3536;  // "CUBASE_DRV_SEP": one bank per file

// The templates, read from the program's resources on first use and kept for the program's life. Empty
// when the resource is missing or not of its size. Callers copy them; the kept bytes never change.
const std::string& GetCubaseDriverTemplate();
const std::string& GetCubaseSeparatorTemplate();

// Reads both templates again, from another module's resources (a resource library or a damaged copy).
void LoadCubaseTemplatesFrom(HMODULE module);
