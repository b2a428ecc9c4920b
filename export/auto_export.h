#pragma once
// The exports the mappings manager makes again after each applied change, as the export settings ask.
#include <functional>
#include <memory>

class TMapping;

// Makes the merged mapping ("current") that the exports are made of.
using TCurrentMappingBuilder = std::function<std::unique_ptr<TMapping>()>;

// When any automatic export is on: builds "current" once and runs each one that is on, into its folder,
// in the order Cakewalk, Cubase one bank per file, Cubase 12 banks per file, the mapping text file
// "current.txt", Massiva, Encore, Evolution, Quartz. A failed export has shown its box; the next still
// runs. Returns true when every export that ran succeeded.
bool RunAutomaticExports(const TCurrentMappingBuilder& buildCurrent);
