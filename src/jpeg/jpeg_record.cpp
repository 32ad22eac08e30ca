// The decoder's one process-wide record.
#include "jpeg/jpeg_record.h"

JpegDecoder jpegDecoder;
