#include "chunk.h"

namespace {

bool IsListId(const std::string& id) { return id == "RIFF" || id == "LIST"; }

uint32_t LittleEndian32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

int64_t TChunk::StreamSize(std::istream& stream) {
  TStreamPositionKeeper keep(stream);
  stream.seekg(0, std::ios::end);
  std::streamoff size = stream.tellg();
  return size < 0 ? 0 : int64_t(size);
}

bool TChunk::ReadExact(std::istream& stream, int64_t pos, void* buffer, size_t count) {
  stream.clear();
  if (pos < 0 || !stream.seekg(pos)) {
    stream.clear();
    return false;
  }
  stream.read(static_cast<char*>(buffer), std::streamsize(count));
  bool whole = size_t(stream.gcount()) == count;
  stream.clear();
  return whole;
}

bool TChunk::ReadHeader(std::istream& stream, int64_t pos) {
  TStreamPositionKeeper keep(stream);
  Stream = &stream;
  ID.clear();
  ListType.clear();
  Size = 0;
  TotalSize = 0;
  ChunkPos = -1;
  DataPos = -1;

  unsigned char header[12];
  if (!ReadExact(stream, pos, header, 8)) return false;
  std::string id(reinterpret_cast<const char*>(header), 4);
  int64_t dataPos = pos + 8;
  if (IsListId(id)) {
    if (!ReadExact(stream, pos + 8, header + 8, 4)) return false;
    ListType.assign(reinterpret_cast<const char*>(header + 8), 4);
    dataPos = pos + 12;
  }
  ID = id;
  Size = LittleEndian32(header + 4);
  TotalSize = uint64_t(Size) + 8;
  ChunkPos = pos;
  DataPos = dataPos;
  return true;
}

bool TChunk::WriteHeader(std::ostream& stream, int64_t pos) {
  std::streampos saved = stream.tellp();
  stream.clear();
  char header[12];
  std::string id = ID;
  id.resize(4, ' ');
  id.copy(header, 4);
  for (int i = 0; i < 4; ++i) header[4 + i] = char((Size >> (8 * i)) & 0xFF);
  size_t length = 8;
  if (IsListId(ID)) {
    std::string listType = ListType;
    listType.resize(4, ' ');
    listType.copy(header + 8, 4);
    length = 12;
  }
  bool ok = bool(stream.seekp(pos)) && bool(stream.write(header, std::streamsize(length)));
  if (ok) ChunkPos = pos;
  stream.clear();
  if (saved != std::streampos(-1)) stream.seekp(saved);
  return ok;
}

int64_t TChunk::NextChunkPos(int64_t pos) {
  if (!Stream) return -1;
  int64_t next;
  if (pos == -1) {
    next = DataPos;
  } else {
    TChunk current;
    if (!current.ReadHeader(*Stream, pos)) return -1;
    next = pos + int64_t(current.TotalSize);  // always > pos: the walk moves forward
  }
  if (next < 0 || next >= StreamSize(*Stream)) return -1;
  return next;
}

int64_t TChunk::FindChunk(const std::string& id, int64_t startPos) {
  // Each step moves at least 8 bytes forward and ends at the stream's end, so the walk ends.
  for (int64_t pos = NextChunkPos(startPos); pos != -1; pos = NextChunkPos(pos)) {
    TChunk candidate;
    if (!candidate.ReadHeader(*Stream, pos)) return -1;
    if (candidate.ID == id) return pos;
  }
  return -1;
}

int64_t TChunk::FindListChunk(const std::string& id, const std::string& listType, int64_t startPos) {
  for (int64_t pos = FindChunk(id, startPos); pos != -1; pos = FindChunk(id, pos)) {
    TChunk candidate;
    if (!candidate.ReadHeader(*Stream, pos)) return -1;
    if (candidate.ListType == listType) return pos;
  }
  return -1;
}

bool TChunk::ReadAt(int64_t pos) { return Stream && ReadHeader(*Stream, pos); }

TStreamPositionKeeper::TStreamPositionKeeper(std::istream& stream) : FIn(stream) {
  FIn.clear();
  FInPos = FIn.tellg();
}

TStreamPositionKeeper::TStreamPositionKeeper(std::istream& in, std::ostream& out) : FIn(in), FOut(&out) {
  FIn.clear();
  FInPos = FIn.tellg();
  FOut->clear();
  FOutPos = FOut->tellp();
}

TStreamPositionKeeper::~TStreamPositionKeeper() {
  if (FOut) {
    FOut->clear();
    if (FOutPos != std::streampos(-1)) FOut->seekp(FOutPos);
  }
  FIn.clear();
  if (FInPos != std::streampos(-1)) FIn.seekg(FInPos);
}
