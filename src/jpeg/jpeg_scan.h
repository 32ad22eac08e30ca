#pragma once
// The scan decoder: the entropy-coded data of the frame's one scan into
// finished RGBA pixels in jpegDecoder.pixels, an MCU at a time.

// Decodes the scan whose header parseMarkers read last into
// jpegDecoder.pixels (width * height * 4 bytes), writing every byte; does
// nothing for a frame that frameIsDecodable refuses.
void decodeScan();
