#pragma once
// The marker parser: the headers of a JPEG file up to its first scan
// header, into the record.
#include <cstdint>

// Headers up to and including the first scan header; 1 when a scan header
// was read, 0 when parsing stopped for any other reason.
int32_t parseMarkers();

// Whether the parsed frame is one the scan decoder can run on without
// hanging or indexing outside the record: one to three components, sampling
// factors 1..15, table selectors 0..3. decodeJpeg delivers any other frame
// of non-zero size as no image, and decodeScan decodes nothing for it.
bool frameIsDecodable();
