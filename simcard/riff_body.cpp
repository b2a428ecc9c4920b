#include "riff_body.h"

namespace simcard {

bool FindChild(TChunk& parent, const std::string& id, const std::string& listType, TChunk& child) {
  const int64_t pos = listType.empty() ? parent.FindChunk(id, -1) : parent.FindListChunk(id, listType, -1);
  if (pos < 0) return false;
  return child.ReadHeader(*parent.Stream, pos);
}

bool ReadBody(std::istream& stream, const TChunk& chunk, std::vector<uint8_t>& body) {
  const int64_t length = static_cast<int64_t>(chunk.Size) - (chunk.DataPos - chunk.ChunkPos - 8);
  if (length < 0) return false;
  // A size that runs past the file is damage: nothing is allocated for it.
  stream.clear();
  stream.seekg(0, std::ios::end);
  const std::streamoff size = stream.tellg();
  if (size < 0 || chunk.DataPos < 0 || length > size - chunk.DataPos) {
    stream.clear();
    return false;
  }
  body.assign(static_cast<size_t>(length), 0);
  stream.clear();
  stream.seekg(chunk.DataPos);
  if (length > 0 && !stream.read(reinterpret_cast<char*>(body.data()), length)) {
    stream.clear();
    return false;
  }
  return true;
}

}  // namespace simcard
