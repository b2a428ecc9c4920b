#include "chunk.h"

namespace {

bool IsListId(const std::string& id) { return id == "RIFF" || id == "LIST"; }

uint32_t LittleEndian32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

int64_t TChunk::StreamSize(std::istream& stream) {
  TStreamPositionKeeper keep(stream);
  return TChunkReader(stream).Size();
}

bool TChunk::ReadHeader(std::istream& stream, int64_t pos) {
  TStreamPositionKeeper keep(stream);
  TChunkReader reader(stream);
  return ReadHeader(reader, pos);
}

bool TChunk::ReadHeader(TChunkReader& reader, int64_t pos) {
  Stream = &reader.Stream();
  ID.clear();
  ListType.clear();
  Size = 0;
  TotalSize = 0;
  ChunkPos = -1;
  DataPos = -1;

  // The list type is read apart: a read that stops at a plain chunk's data lets its body follow
  // without a seek.
  unsigned char header[12];
  if (!reader.Read(pos, header, 8)) return false;
  std::string id(reinterpret_cast<const char*>(header), 4);
  int64_t dataPos = pos + 8;
  if (IsListId(id)) {
    if (!reader.Read(pos + 8, header + 8, 4)) return false;
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
  TStreamPositionKeeper keep(*Stream);
  TChunkReader reader(*Stream);
  return reader.NextChunkPos(*this, pos);
}

int64_t TChunk::FindChunk(const std::string& id, int64_t startPos) {
  if (!Stream) return -1;
  TStreamPositionKeeper keep(*Stream);
  TChunkReader reader(*Stream);
  TChunk found;
  return reader.FindChunk(*this, id, nullptr, startPos, found);
}

int64_t TChunk::FindListChunk(const std::string& id, const std::string& listType, int64_t startPos) {
  if (!Stream) return -1;
  TStreamPositionKeeper keep(*Stream);
  TChunkReader reader(*Stream);
  TChunk found;
  return reader.FindChunk(*this, id, &listType, startPos, found);
}

bool TChunk::ReadAt(int64_t pos) { return Stream && ReadHeader(*Stream, pos); }

int64_t TChunkReader::Size() {
  if (FSize < 0) {
    FStream.clear();
    FStream.seekg(0, std::ios::end);
    const std::streamoff size = FStream.tellg();
    FStream.clear();
    FSize = size < 0 ? 0 : int64_t(size);
    FAt = size < 0 ? -1 : FSize;
  }
  return FSize;
}

size_t TChunkReader::ReadUpTo(int64_t pos, void* buffer, size_t count) {
  if (pos < 0) return 0;
  FStream.clear();
  if (pos != FAt && !FStream.seekg(pos)) {
    FStream.clear();
    FAt = -1;
    return 0;
  }
  FStream.read(static_cast<char*>(buffer), std::streamsize(count));
  const size_t got = size_t(FStream.gcount());
  FStream.clear();
  FAt = got == count ? pos + int64_t(count) : -1;
  return got;
}

int64_t TChunkReader::NextChunkPos(const TChunk& parent, int64_t pos) {
  int64_t next;
  if (pos == -1) {
    next = parent.DataPos;
  } else {
    TChunk current;
    if (!current.ReadHeader(*this, pos)) return -1;
    next = pos + int64_t(current.TotalSize);  // always > pos: the walk moves forward
  }
  if (next < 0 || next >= Size()) return -1;
  return next;
}

int64_t TChunkReader::FindChunk(const TChunk& parent, const std::string& id, const std::string* listType,
                                int64_t startPos, TChunk& found) {
  int64_t pos = startPos == -1 ? parent.DataPos : startPos;
  if (startPos != -1) {
    if (!found.ReadHeader(*this, startPos)) return -1;
    pos = startPos + int64_t(found.TotalSize);
  }
  // Each step moves at least 8 bytes forward, and a header that does not lie whole inside the
  // stream (at or beyond its end) ends the walk.
  while (pos >= 0 && found.ReadHeader(*this, pos)) {
    if (found.ID == id && (listType == nullptr || found.ListType == *listType)) return pos;
    pos += int64_t(found.TotalSize);
  }
  return -1;
}

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
