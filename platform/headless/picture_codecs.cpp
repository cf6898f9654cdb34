#include "platform/headless/picture_codecs.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

namespace kx {
namespace {

bool acceptableSize(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width * height <= PictureCodecs::kMaxDecodedPixels;
}

struct JpegErrorExit {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void jpegFailed(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrorExit*>(info->err)->jump, 1);
}

void jpegSilent(j_common_ptr, int) {}

// Everything that lives across the library's long jump is plain data owned by the caller,
// so that the jump skips no destructor.
bool decodeJpegInto(const std::string& data, DecodedImage& image, jpeg_decompress_struct& info,
                    JpegErrorExit& error) {
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegFailed;
  error.manager.emit_message = jpegSilent;
  if (setjmp(error.jump)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
               static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  if (!acceptableSize(info.image_width, info.image_height)) return false;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image.width = info.output_width;
  image.height = info.output_height;
  image.rgba.resize(uint64_t{image.width} * image.height * 4);
  while (info.output_scanline < info.output_height) {
    unsigned char* row = image.rgba.data() + uint64_t{info.output_scanline} * image.width * 4;
    // The RGB row is read into the row's end and spread out in place to four bytes a pixel.
    unsigned char* rgb = row + image.width;
    jpeg_read_scanlines(&info, &rgb, 1);
    for (uint32_t x = 0; x < image.width; ++x) {
      row[4 * x] = rgb[3 * x];
      row[4 * x + 1] = rgb[3 * x + 1];
      row[4 * x + 2] = rgb[3 * x + 2];
      row[4 * x + 3] = 255;
    }
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

std::optional<DecodedImage> LibraryPictureCodecs::decodePng(const std::string& data) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data.data(), data.size())) return std::nullopt;
  if (!acceptableSize(png.width, png.height)) {
    png_image_free(&png);
    return std::nullopt;
  }
  png.format = PNG_FORMAT_RGBA;
  DecodedImage image{png.width, png.height, {}};
  image.rgba.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return image;
}

std::optional<DecodedImage> LibraryPictureCodecs::decodeJpeg(const std::string& data) {
  jpeg_decompress_struct info{};
  JpegErrorExit error{};
  DecodedImage image;
  const bool decoded = decodeJpegInto(data, image, info, error);
  jpeg_destroy_decompress(&info);
  if (!decoded) return std::nullopt;
  return image;
}

}  // namespace kx
