#pragma once
// Text files as lists of lines.
#include <string>
#include <vector>

// Lines of the file, split at LF with a CR before it dropped, so CR LF and LF files read alike.
// False (lines untouched) when the file cannot be read.
bool LoadStringsFromFile(const std::string& fileName, std::vector<std::string>& lines);
// The same, with the system's error code when the file cannot be read (a folder cannot either).
bool LoadStringsFromFile(const std::string& fileName, std::vector<std::string>& lines, unsigned long& error);
// Writes every line followed by CR LF. False when the file cannot be written completely.
bool SaveStringsToFile(const std::string& fileName, const std::vector<std::string>& lines);
// Writes the bytes into a new file in fileName's folder, then puts that file in fileName's place: on any
// failure the old file stays as it was, no new file is left, and error holds the system's error code. A
// read-only file is not replaced.
bool SaveBytesReplacing(const std::string& fileName, const std::string& bytes, unsigned long& error);
// The same for lines, each followed by CR LF.
bool SaveStringsReplacing(const std::string& fileName, const std::vector<std::string>& lines, unsigned long& error);
