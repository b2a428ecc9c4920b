#include "sf2_damage.h"

#include <cstdint>

namespace sf2test {

namespace {

const Sf2ChunkSpan* FindSpan(const std::vector<Sf2ChunkSpan>& layout, const std::string& id,
                             const std::string& listType = "") {
  for (const Sf2ChunkSpan& span : layout)
    if (span.ID == id && span.ListType == listType) return &span;
  return nullptr;
}

uint32_t ByteSwapped(uint32_t v) { return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24); }

uint32_t SizeAt(const std::string& bytes, uint64_t pos) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes[pos + 4 + i])) << (8 * i);
  return v;
}

void SetSizeAt(std::string& bytes, uint64_t pos, uint32_t size) {
  for (int i = 0; i < 4; ++i) bytes[pos + 4 + i] = char((size >> (8 * i)) & 0xFF);
}

// Inserts bytes at pos and grows the chunks at the given positions (all before pos) by as much.
std::string Inserted(const std::string& good, uint64_t pos, const std::string& extra,
                     const std::vector<uint64_t>& parents) {
  std::string bytes = good;
  bytes.insert(pos, extra);
  for (uint64_t parent : parents) SetSizeAt(bytes, parent, SizeAt(bytes, parent) + uint32_t(extra.size()));
  return bytes;
}

}  // namespace

std::vector<Sf2DamagedCopy> DamagedCopies(const Sf2Builder& builder) {
  const std::string good = builder.Build();
  const std::vector<Sf2ChunkSpan> layout = builder.Layout();
  const Sf2ChunkSpan* smpl = FindSpan(layout, "smpl");
  const Sf2ChunkSpan* pdta = FindSpan(layout, "LIST", "pdta");
  const Sf2ChunkSpan* phdr = FindSpan(layout, "phdr");
  const Sf2ChunkSpan* igen = FindSpan(layout, "igen");
  const Sf2ChunkSpan* shdr = FindSpan(layout, "shdr");
  std::vector<Sf2DamagedCopy> copies;
  if (!smpl || !pdta || !phdr || !igen || !shdr) return copies;

  auto cut = [&](const std::string& name, uint64_t length) { copies.push_back({name, good.substr(0, length)}); };
  cut("cut inside the sample data", smpl->DataPos() + smpl->Size / 2);
  cut("cut before the pdta", pdta->Pos);
  cut("cut inside igen", igen->DataPos() + igen->Size / 2 + 1);
  cut("cut inside shdr", shdr->DataPos() + 46 + 10);
  cut("cut inside the phdr records", phdr->DataPos() + 38 + 19);
  cut("cut inside the phdr header", phdr->Pos + 5);

  auto phdrSize = [&](const std::string& name, uint32_t size) {
    std::string bytes = good;
    for (int i = 0; i < 4; ++i) bytes[phdr->Pos + 4 + i] = char((size >> (8 * i)) & 0xFF);
    copies.push_back({name, bytes});
  };
  phdrSize("phdr size 0xFFFFFFFF", 0xFFFFFFFFu);
  phdrSize("phdr size byte-swapped", ByteSwapped(phdr->Size));
  phdrSize("phdr size 0", 0);
  phdrSize("phdr size 10 records more", phdr->Size + 10 * 38);
  phdrSize("phdr size 1 byte less", phdr->Size - 1);
  phdrSize("phdr size with the high bit set", phdr->Size | 0x80000000u);
  phdrSize("phdr size 38 bytes less", phdr->Size - 38);
  return copies;
}

std::vector<Sf2DamagedCopy> StructureDamagedCopies(const Sf2Builder& builder) {
  const std::string good = builder.Build();
  const std::vector<Sf2ChunkSpan> layout = builder.Layout();
  const Sf2ChunkSpan* pdta = FindSpan(layout, "LIST", "pdta");
  const Sf2ChunkSpan* phdr = FindSpan(layout, "phdr");
  std::vector<Sf2DamagedCopy> copies;
  if (!pdta || !phdr || phdr->Size < 2 * 38) return copies;

  auto changed = [&](const std::string& name, uint64_t pos, const std::string& with) {
    std::string bytes = good;
    bytes.replace(pos, with.size(), with);
    copies.push_back({name, bytes});
  };
  changed("not RIFF", 0, "RIFX");
  changed("not sfbk", 8, "sfbz");
  std::string riffPast = good;
  SetSizeAt(riffPast, 0, SizeAt(good, 0) + 100);
  copies.push_back({"RIFF past the file", riffPast});
  std::string pdtaPast = good;
  SetSizeAt(pdtaPast, pdta->Pos, pdta->Size + 2);
  copies.push_back({"pdta past the RIFF", pdtaPast});
  changed("no phdr", phdr->Pos, "phdx");
  const uint64_t recordsEnd = phdr->DataPos() + phdr->Size;
  copies.push_back({"phdr not whole records", Inserted(good, recordsEnd, std::string(2, '\0'), {0, pdta->Pos, phdr->Pos})});
  changed("no EOP", recordsEnd - 38, "EOX");
  changed("EOP early", phdr->DataPos(), std::string("EOP\0", 4));
  const std::string phdrChunk = good.substr(phdr->Pos, 8 + phdr->Size);
  copies.push_back({"two phdr", Inserted(good, recordsEnd, phdrChunk, {0, pdta->Pos})});
  return copies;
}

}  // namespace sf2test
