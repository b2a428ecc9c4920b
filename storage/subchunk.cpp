#include "subchunk.h"

int64_t TSubchunk::Locate(std::istream& stream, int64_t pos) {
  if (pos != -1) return pos;
  TChunk level;
  if (!level.ReadHeader(stream, 0)) return -1;
  for (size_t i = 0; i < Path.size(); ++i) {
    const std::string listType = i < ListTypes.size() ? ListTypes[i] : std::string();
    pos = listType.empty() ? level.FindChunk(Path[i], -1) : level.FindListChunk(Path[i], listType, -1);
    if (pos == -1 || !level.ReadHeader(stream, pos)) return -1;
  }
  return pos;
}

bool TSubchunk::Load(std::istream& stream, int64_t pos) {
  TStreamPositionKeeper keep(stream);
  Stream = &stream;
  pos = Locate(stream, pos);
  Found = pos != -1 && ReadHeader(stream, pos);
  if (Found) ReadData();
  return Found;
}

bool TSubchunk::Save(std::iostream& stream, int64_t pos) {
  TStreamPositionKeeper keep(stream, stream);
  pos = Locate(stream, pos);
  // Take the header as it stands in this stream, so the body goes where the chunk really is.
  if (pos == -1 || !ReadHeader(stream, pos)) return false;
  if (DataBytes() > Size || DataPos + int64_t(DataBytes()) > StreamSize(stream)) return false;
  bool ok = WriteHeader(stream, pos) && WriteData(stream);
  stream.flush();
  return ok && bool(stream);
}
