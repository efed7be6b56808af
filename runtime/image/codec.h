// The codec registry: decoders and encoders register here and images load and save through it.
#pragma once

void CodecInit();
void BmpCodecInit();
void PngDecoderInit();
void PngEncoderInit();
void JpegDecoderInit();
void TiffDecoderInit();
void TgaDecoderInit();
