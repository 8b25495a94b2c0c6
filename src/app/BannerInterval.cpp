#include "app/TavrenParts.h"

namespace tavren {

int ProgramBannerIntervalMs() noexcept { return 90000; }

}  // namespace tavren
