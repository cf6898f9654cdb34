#include "platform/win32/wic_picture_codecs.h"

#include <wincodec.h>
#include <windows.h>

#include "platform/win32/com_ptr.h"

namespace kx {
namespace {

std::optional<DecodedImage> decodeWithFactory(const std::string& data, const GUID& container) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converted;
  GUID format{};
  UINT width = 0;
  UINT height = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()))) ||
      FAILED(factory->CreateStream(stream.out())) ||
      FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(data.data())),
                                          static_cast<DWORD>(data.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.out())) ||
      FAILED(decoder->GetContainerFormat(&format)) || !IsEqualGUID(format, container) ||
      FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&width, &height))) {
    return std::nullopt;
  }
  if (width == 0 || height == 0 || uint64_t{width} * height > PictureCodecs::kMaxDecodedPixels) {
    return std::nullopt;
  }
  // The factory's converter, not WICConvertBitmapSource: the engine imports no library outside
  // the system's known ones, which a folder beside setup.exe could plant.
  if (FAILED(factory->CreateFormatConverter(converted.out())) ||
      FAILED(converted->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return std::nullopt;
  }
  DecodedImage image{width, height, std::vector<uint8_t>(uint64_t{width} * height * 4)};
  if (FAILED(converted->CopyPixels(nullptr, width * 4, static_cast<UINT>(image.rgba.size()),
                                   image.rgba.data()))) {
    return std::nullopt;
  }
  for (size_t i = 0; i < image.rgba.size(); i += 4) std::swap(image.rgba[i], image.rgba[i + 2]);
  return image;
}

std::optional<DecodedImage> decode(const std::string& data, const GUID& container) {
  if (data.size() > MAXDWORD) return std::nullopt;
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto image = decodeWithFactory(data, container);
  if (SUCCEEDED(initialised)) CoUninitialize();
  return image;
}

}  // namespace

std::optional<DecodedImage> WicPictureCodecs::decodePng(const std::string& data) {
  return decode(data, GUID_ContainerFormatPng);
}

std::optional<DecodedImage> WicPictureCodecs::decodeJpeg(const std::string& data) {
  return decode(data, GUID_ContainerFormatJpeg);
}

}  // namespace kx
