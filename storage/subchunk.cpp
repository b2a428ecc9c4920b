#include "subchunk.h"

int64_t TSubchunk::Locate(TChunkReader& reader, TChunk& found) {
  if (Path.empty()) return -1;
  TChunk level;
  if (!level.ReadHeader(reader, 0)) return -1;
  int64_t pos = -1;
  for (size_t i = 0; i < Path.size(); ++i) {
    const std::string listType = i < ListTypes.size() ? ListTypes[i] : std::string();
    pos = reader.FindChunk(level, Path[i], listType.empty() ? nullptr : &listType, -1, found);
    if (pos == -1) return -1;
    level = found;
  }
  return pos;
}

bool TSubchunk::Load(std::istream& stream, int64_t pos) {
  TStreamPositionKeeper keep(stream);
  Stream = &stream;
  TChunkReader reader(stream);
  if (pos == -1) {
    TChunk found;
    Found = Locate(reader, found) != -1;
    if (Found) TChunk::operator=(found);  // the header just read, not read again
  } else {
    Found = ReadHeader(reader, pos);
  }
  if (Found) {
    FReader = &reader;
    ReadData();
    FReader = nullptr;
  }
  return Found;
}

bool TSubchunk::Save(std::iostream& stream, int64_t pos) {
  TStreamPositionKeeper keep(stream, stream);
  TChunkReader reader(stream);
  if (pos == -1) {
    TChunk found;
    pos = Locate(reader, found);
  }
  // Take the header as it stands in this stream, so the body goes where the chunk really is.
  if (pos == -1 || !ReadHeader(reader, pos)) return false;
  if (DataBytes() > Size || DataPos + int64_t(DataBytes()) > reader.Size()) return false;
  bool ok = WriteHeader(stream, pos) && WriteData(stream);
  stream.flush();
  return ok && bool(stream);
}
