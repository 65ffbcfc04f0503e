#pragma once

namespace vorn {

// An absolute point in time: seconds since 1970-01-01 00:00:00 UTC, with
// sub-second precision.
using Instant = double;

} // namespace vorn
