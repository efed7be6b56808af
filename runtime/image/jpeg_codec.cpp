// The JPEG decoder over the system libjpeg: grey, YCbCr and RGB pictures come out as B, G, R
// straight into the section, CMYK and YCCK ones through a row buffer with the inverted-CMYK
// conversion. libjpeg's errors jump back here and its messages are dropped.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "codec.h"
#include "codec_record.h"
#include "image.h"
#include "kernel.h"

namespace {

// The most memory libjpeg may take for one picture (the coefficient buffers of a progressive
// file are the largest part): as much as the largest section a load makes.
constexpr long kDecoderMemoryLimit = INT32_MAX;

struct JpegErrorBlock {
  jpeg_error_mgr manager;
  jmp_buf jump;
  bool dataEnded;  // libjpeg ran out of data and goes on with an invented end of picture
};

struct JpegFields {
  jpeg_decompress_struct* decoder;
  JpegErrorBlock* error;
  JSAMPARRAY rowBuffer;  // one row of CMYK samples; null for pictures read as B, G, R
};

[[noreturn]] void ErrorJump(j_common_ptr common) {
  longjmp(reinterpret_cast<JpegErrorBlock*>(common->err)->jump, 1);
}
void DropMessage(j_common_ptr) {}
// Warnings are dropped too; running out of data is noted so that decoding can stop there.
void NoteWarning(j_common_ptr common, int level) {
  if (level < 0 && common->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<JpegErrorBlock*>(common->err)->dataEnded = true;
}

void JpegFinish(DecodeState* state) {
  JpegFields* fields = DecoderPrivate<JpegFields>(state);
  if (fields->decoder != nullptr) {
    if (fields->decoder->err != nullptr) jpeg_destroy_decompress(fields->decoder);
    HeapFree(GetProcessHeap(), 0, fields->decoder);
  }
  if (fields->error != nullptr) HeapFree(GetProcessHeap(), 0, fields->error);
  *fields = JpegFields{};
}

// The colour space libjpeg is asked for; JCS_UNKNOWN for pictures this decoder does not take.
J_COLOR_SPACE OutputSpace(J_COLOR_SPACE stored) {
  switch (stored) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB: return JCS_EXT_BGR;  // the section's own byte order, no conversion pass
    case JCS_CMYK:
    case JCS_YCCK: return JCS_CMYK;
    default: return JCS_UNKNOWN;
  }
}

int64_t JpegCheck(DecodeState* state) {
  if (state->sourceSize < 2 || state->source[0] != 0xFF || state->source[1] != 0xD8) return 0;
  JpegFields* fields = DecoderPrivate<JpegFields>(state);
  fields->decoder = static_cast<jpeg_decompress_struct*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(jpeg_decompress_struct)));
  fields->error = static_cast<JpegErrorBlock*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(JpegErrorBlock)));
  if (fields->decoder == nullptr || fields->error == nullptr) {
    JpegFinish(state);
    return 0;
  }
  jpeg_decompress_struct* decoder = fields->decoder;
  decoder->err = jpeg_std_error(&fields->error->manager);
  fields->error->manager.error_exit = ErrorJump;
  fields->error->manager.output_message = DropMessage;
  fields->error->manager.emit_message = NoteWarning;
  if (setjmp(fields->error->jump)) {
    JpegFinish(state);
    return 0;
  }
  jpeg_CreateDecompress(decoder, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
  decoder->err->trace_level = 0;
  decoder->mem->max_memory_to_use = kDecoderMemoryLimit;
  jpeg_mem_src(decoder, state->source, state->sourceSize);
  const J_COLOR_SPACE output =
      jpeg_read_header(decoder, TRUE) == JPEG_HEADER_OK ? OutputSpace(decoder->jpeg_color_space) : JCS_UNKNOWN;
  // The picture's buffers are sized by its header: an absurd size is refused before they exist.
  if (output == JCS_UNKNOWN || !CodecSizeAcceptable(decoder->image_width, decoder->image_height, 24)) {
    JpegFinish(state);
    return 0;
  }
  decoder->dct_method = JDCT_ISLOW;
  decoder->out_color_space = output;
  jpeg_calc_output_dimensions(decoder);
  if (output == JCS_CMYK) {
    const JDIMENSION rowBytes = (decoder->output_width * decoder->output_components + 3) / 4 * 4;
    fields->rowBuffer =
        (*decoder->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(decoder), JPOOL_IMAGE, rowBytes, 1);
  }
  jpeg_start_decompress(decoder);
  state->width = static_cast<int32_t>(decoder->output_width);
  state->height = static_cast<int32_t>(decoder->output_height);
  state->sectionBits = 24;
  state->sourceDepth = decoder->output_components * 8;
  return 1;
}

int64_t JpegDecode(DecodeState* state, uint8_t* pixels, int64_t stride, int64_t flags) {
  JpegFields* fields = DecoderPrivate<JpegFields>(state);
  jpeg_decompress_struct* decoder = fields->decoder;
  if (setjmp(fields->error->jump)) return 0;
  const bool bottomUp = (flags & kCodecBottomUp) != 0;
  const int64_t width = decoder->output_width;
  // A progressive file has been read whole by now; a sequential one that runs out of data while
  // its rows are read stops there, the rest staying black, instead of inventing every row left.
  const bool endedBeforeRows = fields->error->dataEnded;
  for (int64_t i = 0; i < state->height; ++i) {
    if (fields->error->dataEnded && !endedBeforeRows) {
      jpeg_abort_decompress(decoder);
      return 1;
    }
    uint8_t* target = SectionRow(pixels, stride, state->height, i, bottomUp);
    if (fields->rowBuffer == nullptr) {
      JSAMPROW row = target;
      jpeg_read_scanlines(decoder, &row, 1);
      continue;
    }
    jpeg_read_scanlines(decoder, fields->rowBuffer, 1);
    // Samples are stored inverted (as Adobe writes them): the product with K is the colour.
    const uint8_t* in = fields->rowBuffer[0];
    for (int64_t x = 0; x < width; ++x, in += 4) {
      target[3 * x] = static_cast<uint8_t>(in[2] * in[3] / 255);
      target[3 * x + 1] = static_cast<uint8_t>(in[1] * in[3] / 255);
      target[3 * x + 2] = static_cast<uint8_t>(in[0] * in[3] / 255);
    }
  }
  jpeg_finish_decompress(decoder);
  return 1;
}

const DecoderRecord kJpegDecoder = {JpegCheck, JpegDecode, JpegFinish, kImageFormatJpeg};

}  // namespace

void JpegDecoderInit() {
  if (CodecFirstRegistration(kCodecOnceJpegDecoder)) DecoderRegister(&kJpegDecoder);
}
