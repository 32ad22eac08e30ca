// The decoder's one process-wide record, which every stage works on. It has
// a file of its own so that the stages depend on it and not on each other.
#include "jpeg/jpeg_internal.h"

JpegDecoder jpegDecoder;
