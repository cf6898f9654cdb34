#pragma once
// PNG and JPEG decoding with libpng and libjpeg.
#include "platform/platform.h"

namespace kx {

class LibraryPictureCodecs : public PictureCodecs {
 public:
  std::optional<DecodedImage> decodePng(const std::string& data) override;
  std::optional<DecodedImage> decodeJpeg(const std::string& data) override;
};

}  // namespace kx
