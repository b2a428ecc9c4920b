#pragma once
// What the independent reader should find in the editor's HTML page: the lines of its reading, made from
// the rows and the look the page was made of.
#include <windows.h>

#include <string>
#include <vector>

#include "mapping_html.h"

namespace htmltest {

// The clock the tests make pages with: 5 March 2024, 07:04:09.
SYSTEMTIME FixedClock();

std::vector<std::string> ExpectedLines(const std::string& name, const std::vector<TAttachedRow>& rows,
                                       const THtmlPageLook& look);

}  // namespace htmltest
