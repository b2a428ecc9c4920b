#pragma once
// Reading for the edit engine: a whole SF2 file's structure, every chunk, table and index checked
// before it is used (a damaged file is refused whole, and nothing is allocated beyond what the file
// holds), and PCM wave files for import. Standard C++ only: the fuzz target builds it natively.
#include <cstdint>
#include <istream>
#include <memory>
#include <vector>

#include "sf_edit_engine_api.h"
#include "sf_edit_model.h"

namespace sfedit {

// Fills sf (which must be empty) from the file; the sample points stay in the stream, which the
// samples keep. On any failure sf is left empty.
Result ReadSoundFont(const std::shared_ptr<std::istream>& stream, TSoundFont& sf);

struct TWave {
  uint32_t SampleRate = 0;
  bool Stereo = false;
  std::vector<int16_t> Left;   // or the only channel
  std::vector<int16_t> Right;  // of a stereo wave
};

// 8-bit (unsigned) or 16-bit PCM, mono or stereo, as 16-bit points; anything else is unsupported.
Result ReadWave(std::istream& in, TWave& wave);

}  // namespace sfedit
