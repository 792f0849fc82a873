// veltor_record_raw: saves raw captures of a camera to a file that the USB
// kit's playback replays ("[playback] file = ..." in a scene file, or the
// ".bin" path given directly to openWithFile).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "VeltorTOFCamera.h"
#include "raw_recorder.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: veltor_record_raw [--usb | --scene FILE | --csi INDEX] [--frames N] [--range 2000|4000] "
                 "OUTPUT.bin\n"
                 "  --usb          the USB kit without a configuration file (default)\n"
                 "  --scene FILE   the USB kit opened with FILE (a simulated scene, for instance)\n"
                 "  --csi INDEX    the CSI camera /dev/videoINDEX\n"
                 "  --frames N     captures to record (default 30)\n"
                 "  --range MM     measuring range while recording; replay with the same range\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string scene, output;
    int csi = -1, frames = 30, range = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--usb") {
            scene.clear();
            csi = -1;
        } else if (a == "--scene") {
            const char* v = value();
            if (!v) return usage();
            scene = v;
        } else if (a == "--csi") {
            const char* v = value();
            if (!v) return usage();
            csi = std::atoi(v);
        } else if (a == "--frames") {
            const char* v = value();
            if (!v || (frames = std::atoi(v)) <= 0) return usage();
        } else if (a == "--range") {
            const char* v = value();
            if (!v || ((range = std::atoi(v)) != 2000 && range != 4000)) return usage();
        } else if (!a.empty() && a[0] != '-' && output.empty()) {
            output = a;
        } else {
            return usage();
        }
    }
    if (output.empty()) return usage();

    Veltor::VeltorTOFCamera camera;
    int rc = csi >= 0 ? camera.open(Veltor::CSI, csi)
                      : scene.empty() ? camera.open(Veltor::USB, 0) : camera.openWithFile(scene.c_str(), 0);
    if (rc != 0) {
        std::fprintf(stderr, "cannot open the camera: %s\n", Veltor::to_str(rc));
        return 1;
    }
    if (range != 0 && (rc = camera.setControl(Veltor::RANGE, range)) != 0) {
        std::fprintf(stderr, "cannot set the range: %s\n", Veltor::to_str(rc));
        return 1;
    }
    Veltor::RawRecordingResult r = Veltor::recordRawCaptures(camera, output, frames);
    camera.close();
    std::printf("%d captures written to %s\n", r.captures, output.c_str());
    if (!r.error.empty()) {
        std::fprintf(stderr, "%s\n", r.error.c_str());
        return 1;
    }
    return 0;
}
