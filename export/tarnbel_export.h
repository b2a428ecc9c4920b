#pragma once
// Writing a mapping out as files other programs read.
#include <string>

class TMapping;

// The mapping's text form saved as fileName in the folder (made when missing). False after a box when
// the file could not be written; an existing file is then kept as it was.
bool SaveMappingAsText(const std::string& folder, const std::string& fileName, const TMapping& mapping);
