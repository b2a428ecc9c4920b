#pragma once
// TLISTpdtaSubchunk: a chunk inside the SF2 file's "LIST" "pdta"; derived classes name level 1.
#include "subchunk.h"

class TLISTpdtaSubchunk : public TSubchunk {
 public:
  // A virtual call from a constructor reaches only that class's own InitPath, so each class in
  // the line calls it from its constructor; InitPath starts the path afresh every time.
  TLISTpdtaSubchunk() { TLISTpdtaSubchunk::InitPath(); }
  void InitPath() override;
};
