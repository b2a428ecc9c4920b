#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <random>
#include <string>
#include <vector>

#include "kit_gif_codec.h"

namespace {

template <class T>
struct ComPtr {
  T* P = nullptr;
  ~ComPtr() {
    if (P) P->Release();
  }
  T** operator&() { return &P; }
  T* operator->() const { return P; }
};

// The platform's decoder reads the file; false when it is not there.
bool DecodeWithWic(const std::string& file, UINT& w, UINT& h, std::vector<uint8_t>& indices, bool& available) {
  available = false;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(&factory))))
    return false;
  available = true;
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(&stream))) return false;
  if (FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())), DWORD(file.size()))))
    return false;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.P, nullptr, WICDecodeMetadataCacheOnDemand, &decoder))) return false;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, &frame))) return false;
  if (FAILED(frame->GetSize(&w, &h))) return false;
  WICPixelFormatGUID format;
  if (FAILED(frame->GetPixelFormat(&format)) || format != GUID_WICPixelFormat8bppIndexed) return false;
  indices.assign(size_t(w) * h, 0);
  return SUCCEEDED(frame->CopyPixels(nullptr, w, UINT(indices.size()), indices.data()));
}

}  // namespace

TEST(GifOracle, ThePlatformsDecoderReadsOurFilesToTheSameIndices) {
  CoInitialize(nullptr);
  std::mt19937 rng(5);
  int checked = 0;
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {7, 3}, {64, 48}, {300, 200}}) {
    std::vector<uint8_t> px(size_t(w * h));
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i % 3 == 0 ? rng() % 256 : (i / 7) % 256);
    kitgif::File file;
    for (int i = 0; i < 256; ++i) file.Global.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    file.BitsPerPixel = 8;
    kitgif::Frame f;
    f.Width = uint16_t(w);
    f.Height = uint16_t(h);
    f.Table = file.Global;
    f.Encoded = kitgif::EncodeFrame(px.data(), w, h, 8);
    file.Frames.push_back(f);
    std::string bytes;
    ASSERT_EQ(kitgif::WriteGif(file, bytes).Error, kitgif::GifError::None);
    UINT gw = 0, gh = 0;
    std::vector<uint8_t> got;
    bool available = false;
    const bool ok = DecodeWithWic(bytes, gw, gh, got, available);
    if (!available) {
      CoUninitialize();
      GTEST_SKIP() << "no imaging component here";
    }
    ASSERT_TRUE(ok) << w << "x" << h;
    EXPECT_EQ(int(gw), w);
    EXPECT_EQ(int(gh), h);
    EXPECT_EQ(got, px) << w << "x" << h;
    ++checked;
  }
  EXPECT_EQ(checked, 4);
  CoUninitialize();
}
