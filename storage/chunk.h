#pragma once
// TChunk: one RIFF chunk header read from a seekable byte stream. Standard C++ only, so the reader
// also builds natively (the fuzz target) and works on files and memory alike.
#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

class TChunkReader;

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
  // The same without keeping the position, through a reader that follows it.
  bool ReadHeader(TChunkReader& reader, int64_t pos);
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
};

// Reads chunk headers and bodies from one stream with few seeks, for a walk over a file: the
// stream's size is looked up once, and a read that starts where the last one ended needs no seek
// (a seek drops the stream's buffer). The stream's position is left where the last read ended;
// whoever must keep it keeps it around the walk.
class TChunkReader {
 public:
  explicit TChunkReader(std::istream& stream) : FStream(stream) {}
  std::istream& Stream() const { return FStream; }
  int64_t Size();

  // Up to count bytes at pos; the number read. Clears the stream's error state.
  size_t ReadUpTo(int64_t pos, void* buffer, size_t count);
  bool Read(int64_t pos, void* buffer, size_t count) { return ReadUpTo(pos, buffer, count) == count; }

  // As TChunk::NextChunkPos, for the chunk parent.
  int64_t NextChunkPos(const TChunk& parent, int64_t pos);
  // The first chunk after the one at startPos (-1: from parent's first child) with this ID, and
  // this list type unless it is null; its header goes into found. -1 when there is none.
  int64_t FindChunk(const TChunk& parent, const std::string& id, const std::string* listType, int64_t startPos,
                    TChunk& found);

 private:
  std::istream& FStream;
  int64_t FSize = -1;  // not looked up yet
  int64_t FAt = -1;    // where the stream's position is known to be; -1: not known
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
