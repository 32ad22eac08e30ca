#include "shell/file_buffer.h"
#include "shell/platform.h"
#include "show/show.h"

namespace {
const char* const kSlideFiles[4] = {
    "drooo.jpg",
    "08-iso_remix.jpg",
    "Harno Quorvath - Ashenthornveil - moro.jpg",
    "Quorvath04_iso.jpg",
};

void loadSlide(Bitmap& slide, const char* path) {
    FileBuffer buffer{nullptr, 0, 0};
    load(buffer, path);
    {
        // The importer decodes into its own texture; the slide gets a copy
        // and the importer goes away with its texture and cache.
        BitmapImporter importer(buffer.data, buffer.size);
        // Read back before the size is taken: a read-back that runs out of
        // memory leaves the importer empty.
        const uint8_t* pixels = importer.readBack();
        slide.upload(pixels, importer.width, importer.height);
    }
    release(buffer);
}
}  // namespace

void loadShow() {
    for (int i = 0; i < 4; ++i) loadSlide(slides[i], kSlideFiles[i]);

    // Started after the images so that decoding delays the music, not the
    // show's timeline. Nothing is checked: without sound the show is silent.
    SoundSystem* system = soundSystemCreate();
    soundSystemInit(system, 1);
    Sound* music = soundCreateStream(system, "lumora.mp3");
    soundPlay(system, music, false);
}
