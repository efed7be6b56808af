// Codec registry start-up and the codecs' registration routines; the codecs arrive with the codec library.
// Until then these routines have nothing to set up or free.
#include "codec.h"

void CodecInit() {}
void BmpCodecInit() {}
void PngDecoderInit() {}
void PngEncoderInit() {}
void JpegDecoderInit() {}
void TiffDecoderInit() {}
void TgaDecoderInit() {}
