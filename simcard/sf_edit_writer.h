#pragma once
// Writing for the edit engine: a SoundFont in memory as a whole SF2 file. What an SF2 file cannot
// hold (more than 16-bit indices, more than 32-bit sizes) is refused before a byte is written,
// never wrapped. Standard C++ only: the fuzz target builds it natively.
#include <cstdint>
#include <ostream>

#include "sf_edit_engine_api.h"
#include "sf_edit_model.h"

namespace sfedit {

// ResultOk, or ResultTooComplex when sf does not fit the format.
Result CheckWritable(const TSoundFont& sf);

// Writes sf to out: ResultTooComplex (nothing written), ResultNoFile (a sample's points could not
// be read), ResultWriteFailed (out failed, or would go past byteLimit, as a full disk does).
Result WriteSoundFont(const TSoundFont& sf, std::ostream& out, uint64_t byteLimit = UINT64_MAX);

}  // namespace sfedit
