#pragma once
// PNG and JPEG decoding with the Windows Imaging Component.
#include "platform/platform.h"

namespace kx {

class WicPictureCodecs : public PictureCodecs {
 public:
  std::optional<DecodedImage> decodePng(const std::string& data) override;
  std::optional<DecodedImage> decodeJpeg(const std::string& data) override;
};

}  // namespace kx
