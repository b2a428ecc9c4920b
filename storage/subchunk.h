#pragma once
// TSubchunk: a chunk found by a path of IDs from the file's start, whose body is read and
// written by the derived classes.
#include <iostream>
#include <string>
#include <vector>

#include "chunk.h"

class TSubchunk : public TChunk {
 public:
  TSubchunk() = default;

  bool Found = false;
  std::vector<std::string> Path;       // one chunk ID per level from the file's start
  std::vector<std::string> ListTypes;  // same length; non-empty: that level's list type

  // pos -1 resolves Path from the file's start. Reads the header and the body when found;
  // the stream's position stays where it was. Returns Found.
  virtual bool Load(std::istream& stream, int64_t pos);
  // Rewrites the header and body of the chunk at the same path, in place. Nothing is written
  // when the chunk is not there or the body would not fit inside it; the stream's positions stay.
  virtual bool Save(std::iostream& stream, int64_t pos);

  virtual void InitPath() {}
  virtual void ReadData() {}
  virtual bool WriteData(std::ostream& /*stream*/) { return true; }

 protected:
  // The number of bytes WriteData writes at DataPos.
  virtual uint64_t DataBytes() const { return 0; }
  // The position of the chunk at the end of Path from the file's start, or -1; its header goes
  // into found.
  int64_t Locate(TChunkReader& reader, TChunk& found);
  // The reader of the Load that calls ReadData (null outside it): the body continues its walk.
  TChunkReader* FReader = nullptr;
};
