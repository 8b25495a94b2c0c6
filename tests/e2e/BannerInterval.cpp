// The end-to-end test's banner period, linked in place of the program's own
// 90 s so that a tick comes within the test's time.
#include "app/TavrenParts.h"

namespace tavren {

int ProgramBannerIntervalMs() noexcept { return TAVREN_E2E_BANNER_INTERVAL_MS; }

}  // namespace tavren
