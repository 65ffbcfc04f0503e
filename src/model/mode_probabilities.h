#pragma once

namespace vorn {

// The chances, in percent, of the three boss modes; they add up to 100.
struct ModeProbabilities {
    double messianic = 100;
    double demon = 0;
    double normal = 0;

    bool operator==(const ModeProbabilities&) const = default;
};

} // namespace vorn
