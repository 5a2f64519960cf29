// JPEG through libjpeg. libjpeg reports fatal errors through error_exit, which must not
// return; we leave with longjmp. The functions that call setjmp hold only plain data
// (no objects with destructors), so the jump skips no clean-up; the C++ callers own
// the buffers and raise the exception.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

#include "Errors.h"
#include "ImageCodecs.h"
#include "PixelReduce.h"
#include "Streams.h"

namespace oxqr {
namespace {

struct JpegError {
  jpeg_error_mgr Mgr;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->Message);
  std::longjmp(err->Jump, 1);
}

void SilentOutput(j_common_ptr) {}  // warnings are not shown

// --- encoding ---

constexpr std::size_t kOutChunk = 65536;

struct EncodeJob {
  const std::uint8_t* Pixels;  // rows of RGB or grey samples, top-down
  std::size_t Stride;
  int Width, Height, Components;
  int Quality;
  bool Progressive;
  // Output collected by the destination manager.
  std::string* Out;
  JOCTET Buffer[kOutChunk];
  bool OutOfMemory;
};

struct Destination {
  jpeg_destination_mgr Mgr;
  EncodeJob* Job;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  d->Mgr.next_output_byte = d->Job->Buffer;
  d->Mgr.free_in_buffer = kOutChunk;
}

bool Append(EncodeJob* job, std::size_t n) {
  try {
    job->Out->append(reinterpret_cast<const char*>(job->Buffer), n);
    return true;
  } catch (...) {
    job->OutOfMemory = true;
    return false;
  }
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  if (!Append(d->Job, kOutChunk)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  d->Mgr.next_output_byte = d->Job->Buffer;
  d->Mgr.free_in_buffer = kOutChunk;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  if (!Append(d->Job, kOutChunk - d->Mgr.free_in_buffer)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
}

// Plain data only between setjmp and the end (see the file comment).
bool RunEncode(EncodeJob* job, JpegError* err) {
  jpeg_compress_struct cinfo;
  Destination dest;
  cinfo.err = jpeg_std_error(&err->Mgr);
  err->Mgr.error_exit = ErrorExit;
  err->Mgr.output_message = SilentOutput;
  if (setjmp(err->Jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest.Job = job;
  dest.Mgr.init_destination = InitDestination;
  dest.Mgr.empty_output_buffer = EmptyOutputBuffer;
  dest.Mgr.term_destination = TermDestination;
  cinfo.dest = &dest.Mgr;
  cinfo.image_width = static_cast<JDIMENSION>(job->Width);
  cinfo.image_height = static_cast<JDIMENSION>(job->Height);
  cinfo.input_components = job->Components;
  cinfo.in_color_space = job->Components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, job->Quality, TRUE);
  if (job->Progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(job->Pixels + job->Stride * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

// --- decoding ---

constexpr long long kMaxDecodePixels = 1LL << 28;

struct DecodeJob {
  const unsigned char* Data;
  unsigned long Size;
  int Width, Height;
  unsigned char* Pixels;  // malloc'ed RGB rows, owned by the caller once set
  bool TooLarge;
};

bool RunDecode(DecodeJob* job, JpegError* err) {
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&err->Mgr);
  err->Mgr.error_exit = ErrorExit;
  err->Mgr.output_message = SilentOutput;
  if (setjmp(err->Jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, job->Data, job->Size);
  jpeg_read_header(&cinfo, TRUE);
  if (static_cast<long long>(cinfo.image_width) * cinfo.image_height > kMaxDecodePixels) {
    job->TooLarge = true;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;  // grey pictures are expanded; CMYK is refused by libjpeg
  jpeg_start_decompress(&cinfo);
  job->Width = static_cast<int>(cinfo.output_width);
  job->Height = static_cast<int>(cinfo.output_height);
  const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
  job->Pixels = static_cast<unsigned char*>(std::malloc(stride * cinfo.output_height));
  if (!job->Pixels) ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = job->Pixels + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

struct FreeDeleter {
  void operator()(unsigned char* p) const { std::free(p); }
};

}  // namespace

void EncodeJPEG(const QImage& image, TStream& out, const TJPEGOptions& options) {
  if (image.isNull() || image.width() == 0 || image.height() == 0) throw EInvalidData("Empty picture");
  if (image.width() > 65500 || image.height() > 65500) throw EInvalidData("Picture too large for JPEG");
  const QImage rgb32 = detail::ToRGB32(image);
  const QImage samples = options.Grayscale ? rgb32.convertToFormat(QImage::Format_Grayscale8)
                                           : rgb32.convertToFormat(QImage::Format_RGB888);
  std::string bytes;
  auto job = std::make_unique<EncodeJob>();
  job->Pixels = samples.constBits();
  job->Stride = static_cast<std::size_t>(samples.bytesPerLine());
  job->Width = samples.width();
  job->Height = samples.height();
  job->Components = options.Grayscale ? 1 : 3;
  job->Quality = std::clamp(options.Quality, 1, 100);
  job->Progressive = options.Progressive;
  job->Out = &bytes;
  job->OutOfMemory = false;
  auto err = std::make_unique<JpegError>();
  if (!RunEncode(job.get(), err.get())) {
    if (job->OutOfMemory) throw std::bad_alloc();
    throw EInvalidData(std::string("JPEG encoding failed: ") + err->Message);
  }
  out.Write(bytes);
}

QImage DecodeJPEG(std::string_view bytes) {
  if (bytes.size() < 4) throw EInvalidData("Not a JPEG picture");
  DecodeJob job{reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()),
                0, 0, nullptr, false};
  auto err = std::make_unique<JpegError>();
  const bool ok = RunDecode(&job, err.get());
  const std::unique_ptr<unsigned char, FreeDeleter> pixels(job.Pixels);
  if (job.TooLarge) throw EInvalidData("JPEG picture too large");
  if (!ok) throw EInvalidData(std::string("JPEG decoding failed: ") + err->Message);
  const QImage view(pixels.get(), job.Width, job.Height, job.Width * 3, QImage::Format_RGB888);
  return view.convertToFormat(QImage::Format_RGB32);  // a deep copy
}

}  // namespace oxqr
