#pragma once
// TChunk: one RIFF chunk header read from a seekable byte stream. Standard C++ only, so the reader
// also builds natively (the fuzz target) and works on files and memory alike.
#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

class TChunk {
 public:
  virtual ~TChunk() = default;

  std::string ID;          // the 4 ID bytes as stored
  uint32_t Size = 0;       // data bytes after the 8-byte header
  // Size + 8, kept in 64 bits: a Size near 4 GiB must not wrap the step to the next chunk
  // back onto (or before) this one.
  uint64_t TotalSize = 0;
  std::string ListType;    // empty unless ID is "RIFF" or "LIST"
  std::istream* Stream = nullptr;  // not owned
  int64_t ChunkPos = -1;
  int64_t DataPos = -1;

  // Reads the header at pos and leaves the stream's position as it was. False (and an empty
  // ID) when the header does not lie whole inside the stream.
  virtual bool ReadHeader(std::istream& stream, int64_t pos);
  // Writes ID, Size and, for "RIFF" and "LIST", ListType at pos; DataPos and TotalSize stay.
  virtual bool WriteHeader(std::ostream& stream, int64_t pos);

  // pos -1 gives the first chunk inside this one; else the chunk after the one at pos.
  // -1 when that lies at or beyond the stream's end or the header at pos cannot be read.
  int64_t NextChunkPos(int64_t pos);
  // The first chunk after the one at startPos (-1: from the first child) whose ID equals id.
  int64_t FindChunk(const std::string& id, int64_t startPos);
  int64_t FindListChunk(const std::string& id, const std::string& listType, int64_t startPos);
  bool ReadAt(int64_t pos);

 protected:
  static int64_t StreamSize(std::istream& stream);
  // Reads count bytes at pos; false when fewer are there. Clears the stream's error state.
  static bool ReadExact(std::istream& stream, int64_t pos, void* buffer, size_t count);
};

// Remembers a stream's read (and write) position and puts it back when it goes out of scope.
class TStreamPositionKeeper {
 public:
  explicit TStreamPositionKeeper(std::istream& stream);
  TStreamPositionKeeper(std::istream& in, std::ostream& out);
  ~TStreamPositionKeeper();
  TStreamPositionKeeper(const TStreamPositionKeeper&) = delete;
  TStreamPositionKeeper& operator=(const TStreamPositionKeeper&) = delete;

 private:
  std::istream& FIn;
  std::ostream* FOut = nullptr;
  std::streampos FInPos;
  std::streampos FOutPos;
};
