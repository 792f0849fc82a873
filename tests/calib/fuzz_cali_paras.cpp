// libFuzzer target of the calibration blob loader: any byte string, given
// with its exact size, must load or be rejected without reading outside it,
// and everything the loader allocated must be freed again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "calib/cali_load_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A size of 0 means "unknown" to the loader; blobs are at most a few MB.
    if (size == 0 || size > (4u << 20)) return 0;
    const std::vector<uint8_t> blob(data, data + size);
    {
        // Two-frequency handle with two-phase data.
        calib_test::LoadedCali L({100.0f, 80.0f}, true);
        L.load(blob);
    }
    {
        // Four slots in another order, no phase FPPN module.
        calib_test::LoadedCali L({80.0f, 100.0f, 60.0f, 40.0f}, false);
        L.load(blob);
    }
    return 0;
}
